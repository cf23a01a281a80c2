# The Linux programs' memory allocator. A merge makes and frees millions of small blocks (decoded
# rows and index entries, texts) from two threads; mimalloc (Debian's libmimalloc-dev) takes less
# processor time for them than the C library's allocator and leaves the heap less fragmented, so
# the programs link it when it is installed. Sanitizer and fuzzer builds keep their own allocator,
# and Windows builds the C runtime's.
option(QBMERGE_MIMALLOC "Link the Linux programs with mimalloc when it is installed" ON)

function(qbm_use_program_allocator target)
  if(NOT QBMERGE_MIMALLOC OR NOT CMAKE_SYSTEM_NAME STREQUAL "Linux" OR QBMERGE_SANITIZE OR QBMERGE_FUZZ)
    return()
  endif()
  find_package(mimalloc 2.0 QUIET)
  if(NOT mimalloc_FOUND)
    message(STATUS "mimalloc not found: ${target} uses the C library's allocator")
    return()
  endif()
  # Linked in whole (no symbol of it is named): its malloc and free then replace the C library's.
  target_link_libraries(${target} PRIVATE -Wl,--push-state,--no-as-needed mimalloc -Wl,--pop-state)
endfunction()
