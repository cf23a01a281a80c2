// Insert speed of the engine against SQLite: N driver-like rows (the driver table of the driver
// databases: about 100 columns, the primary key and a text index on Model, a memo) plus N response
// rows (136 columns, a unique index on Driver ID), all in one transaction, into a new file; and the
// same rows into the same columns and indexes of a new SQLite database in one transaction. Each run
// is a child process, so its peak memory (maximum resident set) is its own.
//
//   cmake -S . -B build-bench -G Ninja -DQBMERGE_BENCH=ON -DCMAKE_BUILD_TYPE=Release
//   cmake --build build-bench --target insert_bench && build-bench/bench/insert_bench [N...]
// N defaults to 1000 10000 100000. The table layouts are read from ../shared/fixtures/qbaudio.mdb.
// Each size runs three times (the largest once) and the best time counts.
// Results: docs/benchmarks.md.

#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "jet/database.h"

namespace {

namespace fs = std::filesystem;
using jet::ColumnType;
using jet::Value;

// The layouts of the two tables, taken from the driver database.
struct Layouts {
  jet::TableDefinition drivers, responses;
};

Layouts readLayouts() {
  fs::path source = fs::path(QBM_SHARED_DIR) / "fixtures/qbaudio.mdb";
  jet::Database db = jet::Database::open(source, {.exclusive = false, .readOnly = true});
  Layouts l;
  for (auto [name, out] : {std::pair{"woofers", &l.drivers}, std::pair{"woofer-response", &l.responses}}) {
    jet::Table t = db.table(name);
    out->name = std::string(name) == "woofers" ? "drivers" : "responses";
    out->columns = t.columns();
    out->indexes = t.indexes();
  }
  return l;
}

// The value of column c in row i: what a driver record holds (short texts, codes, parameters).
Value valueFor(const jet::ColumnDefinition& c, std::int64_t i, std::int32_t driverId) {
  if (c.name == "Driver ID") return Value(driverId);
  if (c.name == "Model") return Value("Model " + std::to_string((i * 7919) % 1000003) + "-" + std::to_string(i % 7));
  switch (c.type) {
    case ColumnType::Boolean: return Value(i % 3 == 0);
    case ColumnType::Byte: return Value(static_cast<std::uint8_t>(i % 200));
    case ColumnType::Integer: return Value(static_cast<std::int16_t>(i % 7));
    case ColumnType::Long: return Value(static_cast<std::int32_t>(i % 900 + 1));
    case ColumnType::Single: return Value(static_cast<float>((i % 1000) * 0.125 - 40.0));
    case ColumnType::Double: return Value(static_cast<double>(i % 5000) / 7.0 + 0.5);
    case ColumnType::DateTime: return Value(jet::DateTime{36000.0 + static_cast<double>(i % 9000)});
    case ColumnType::Text: return Value(c.name + " " + std::to_string(i % 97));
    case ColumnType::Memo: return Value("Notes on driver " + std::to_string(i) + ": measured on a baffle, free air.");
    default: return Value(jet::Null{});
  }
}

// ---- The engine ------------------------------------------------------------------------------------

void insertWithEngine(const fs::path& path, const Layouts& layouts, std::int64_t n) {
  jet::Database db = jet::Database::create(path, jet::Format::Jet4);
  db.createTable(layouts.drivers);
  db.createTable(layouts.responses);
  db.begin();
  jet::Table drivers = db.table("drivers");
  jet::Table responses = db.table("responses");
  for (std::int64_t i = 0; i < n; ++i) {
    drivers.addNew();
    for (const jet::ColumnDefinition& c : layouts.drivers.columns)
      if (!c.autonumber) drivers.set(c.name, valueFor(c, i, 0));
    drivers.update();
    std::int32_t id = drivers.get("ID").as<std::int32_t>();
    responses.addNew();
    for (const jet::ColumnDefinition& c : layouts.responses.columns)
      if (!c.autonumber) responses.set(c.name, valueFor(c, i, id));
    responses.update();
  }
  db.commit();
}

// ---- SQLite ------------------------------------------------------------------------------------------

const char* sqliteType(ColumnType type) {
  switch (type) {
    case ColumnType::Boolean: case ColumnType::Byte: case ColumnType::Integer: case ColumnType::Long: return "INTEGER";
    case ColumnType::Single: case ColumnType::Double: case ColumnType::DateTime: return "REAL";
    default: return "TEXT";
  }
}

std::string quotedName(const std::string& name) { return "\"" + name + "\""; }

void exec(sqlite3* db, const std::string& sql) {
  char* error = nullptr;
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
    std::cerr << "sqlite: " << (error ? error : "?") << " in " << sql << "\n";
    std::exit(2);
  }
}

void createSqliteTable(sqlite3* db, const jet::TableDefinition& t) {
  std::string sql = "CREATE TABLE " + quotedName(t.name) + " (";
  for (std::size_t i = 0; i < t.columns.size(); ++i) {
    const jet::ColumnDefinition& c = t.columns[i];
    sql += (i ? ", " : "") + quotedName(c.name) + " " + (c.autonumber ? "INTEGER PRIMARY KEY AUTOINCREMENT" : sqliteType(c.type));
  }
  exec(db, sql + ")");
  for (const jet::IndexDefinition& index : t.indexes) {
    if (index.primary) continue;  // the autonumber key above
    std::string columns;
    for (const jet::IndexColumn& c : index.columns) columns += (columns.empty() ? "" : ", ") + quotedName(c.name);
    exec(db, std::string("CREATE ") + (index.unique ? "UNIQUE " : "") + "INDEX " + quotedName(t.name + "_" + index.name) +
                 " ON " + quotedName(t.name) + " (" + columns + ")");
  }
}

sqlite3_stmt* prepareInsert(sqlite3* db, const jet::TableDefinition& t, std::vector<const jet::ColumnDefinition*>& bound) {
  std::string names, marks;
  for (const jet::ColumnDefinition& c : t.columns) {
    if (c.autonumber) continue;
    names += (names.empty() ? "" : ", ") + quotedName(c.name);
    marks += marks.empty() ? "?" : ", ?";
    bound.push_back(&c);
  }
  sqlite3_stmt* statement = nullptr;
  std::string sql = "INSERT INTO " + quotedName(t.name) + " (" + names + ") VALUES (" + marks + ")";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) std::exit(2);
  return statement;
}

void bind(sqlite3_stmt* statement, int at, const Value& v) {
  if (auto p = v.getIf<bool>()) sqlite3_bind_int(statement, at, *p ? -1 : 0);
  else if (auto p = v.getIf<std::uint8_t>()) sqlite3_bind_int(statement, at, *p);
  else if (auto p = v.getIf<std::int16_t>()) sqlite3_bind_int(statement, at, *p);
  else if (auto p = v.getIf<std::int32_t>()) sqlite3_bind_int(statement, at, *p);
  else if (auto p = v.getIf<float>()) sqlite3_bind_double(statement, at, *p);
  else if (auto p = v.getIf<double>()) sqlite3_bind_double(statement, at, *p);
  else if (auto p = v.getIf<jet::DateTime>()) sqlite3_bind_double(statement, at, p->days);
  else if (auto p = v.getIf<std::string>()) sqlite3_bind_text(statement, at, p->c_str(), static_cast<int>(p->size()), SQLITE_TRANSIENT);
  else sqlite3_bind_null(statement, at);
}

void insertWithSqlite(const fs::path& path, const Layouts& layouts, std::int64_t n) {
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::exit(2);
  createSqliteTable(db, layouts.drivers);
  createSqliteTable(db, layouts.responses);
  std::vector<const jet::ColumnDefinition*> driverColumns, responseColumns;
  sqlite3_stmt* drivers = prepareInsert(db, layouts.drivers, driverColumns);
  sqlite3_stmt* responses = prepareInsert(db, layouts.responses, responseColumns);
  exec(db, "BEGIN");
  for (std::int64_t i = 0; i < n; ++i) {
    for (std::size_t k = 0; k < driverColumns.size(); ++k) bind(drivers, static_cast<int>(k + 1), valueFor(*driverColumns[k], i, 0));
    if (sqlite3_step(drivers) != SQLITE_DONE) std::exit(3);
    sqlite3_reset(drivers);
    auto id = static_cast<std::int32_t>(sqlite3_last_insert_rowid(db));
    for (std::size_t k = 0; k < responseColumns.size(); ++k) bind(responses, static_cast<int>(k + 1), valueFor(*responseColumns[k], i, id));
    if (sqlite3_step(responses) != SQLITE_DONE) std::exit(3);
    sqlite3_reset(responses);
  }
  exec(db, "COMMIT");
  sqlite3_finalize(drivers);
  sqlite3_finalize(responses);
  sqlite3_close(db);
}

// ---- Runs --------------------------------------------------------------------------------------------

struct Result {
  double seconds = 0;
  double cpuSeconds = 0;  // user + system time of the child
  double peakMiB = 0;
  std::uintmax_t fileBytes = 0;
};

// Runs one insert in a child process: wall time of the whole insert (create to commit), the child's
// processor time and peak memory, the file's size.
Result run(bool engine, const Layouts& layouts, std::int64_t n, const fs::path& dir) {
  fs::path path = dir / (engine ? "bench.mdb" : "bench.sqlite");
  fs::remove(path);
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) std::exit(2);
  pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    auto start = std::chrono::steady_clock::now();
    if (engine) insertWithEngine(path, layouts, n);
    else insertWithSqlite(path, layouts, n);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (write(pipeEnds[1], &seconds, sizeof seconds) != sizeof seconds) _exit(2);
    _exit(0);
  }
  close(pipeEnds[1]);
  Result r;
  if (read(pipeEnds[0], &r.seconds, sizeof r.seconds) != sizeof r.seconds) std::exit(2);
  close(pipeEnds[0]);
  int status = 0;
  struct rusage usage {};
  wait4(child, &status, 0, &usage);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::cerr << "the " << (engine ? "engine" : "SQLite") << " run failed\n";
    std::exit(2);
  }
  r.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
  r.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  r.fileBytes = fs::file_size(path);
  fs::remove(path);
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::int64_t> sizes;
  for (int i = 1; i < argc; ++i) sizes.push_back(std::atoll(argv[i]));
  if (sizes.empty()) sizes = {1000, 10000, 100000};
  Layouts layouts = readLayouts();
  fs::path dir = fs::temp_directory_path() / ("qbm-insert-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  std::printf("driver table: %zu columns, %zu indexes; response table: %zu columns, %zu indexes\n",
              layouts.drivers.columns.size(), layouts.drivers.indexes.size(), layouts.responses.columns.size(),
              layouts.responses.indexes.size());
  std::printf("%8s | %14s %7s %9s %8s | %14s %7s %9s %8s | %6s %9s\n", "N", "engine rows/s", "cpu s", "peak MiB",
              "file MiB", "SQLite rows/s", "cpu s", "peak MiB", "file MiB", "ratio", "cpu ratio");
  for (std::int64_t n : sizes) {
    // The best of a few runs (of one run for the largest size): the machine is shared.
    int runs = n >= 100000 ? 1 : 3;
    Result jet = run(true, layouts, n, dir), lite = run(false, layouts, n, dir);
    for (int k = 1; k < runs; ++k) {
      Result a = run(true, layouts, n, dir), b = run(false, layouts, n, dir);
      if (a.seconds < jet.seconds) jet = a;
      if (b.seconds < lite.seconds) lite = b;
    }
    double rows = 2.0 * static_cast<double>(n);
    std::printf("%8lld | %14.0f %7.2f %9.1f %8.1f | %14.0f %7.2f %9.1f %8.1f | %6.2f %9.2f\n", static_cast<long long>(n),
                rows / jet.seconds, jet.cpuSeconds, jet.peakMiB, static_cast<double>(jet.fileBytes) / 1048576.0,
                rows / lite.seconds, lite.cpuSeconds, lite.peakMiB, static_cast<double>(lite.fileBytes) / 1048576.0,
                jet.seconds / lite.seconds, jet.cpuSeconds / lite.cpuSeconds);
    std::fflush(stdout);
  }
  fs::remove_all(dir);
}
