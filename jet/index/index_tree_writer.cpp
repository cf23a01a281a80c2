#include "jet/index/index_tree_writer.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "jet/error.h"
#include "jet/index/index_page_split.h"
#include "jet/index/index_reader.h"

namespace jet {

// A page of the tree while it is being changed. items are a leaf's entries, or an intermediate
// page's children, one per child with the last entry below it; the entry of a tail child is known
// only when the parent's own entry for this page was seen on the way down (lastKnown).
struct IndexTreeWriter::Node {
  std::uint32_t number = 0;
  bool leaf = true;
  std::uint32_t previous = 0;
  std::uint32_t next = 0;
  std::vector<IndexEntry> items;
  bool lastKnown = true;
  bool storedTail = false;  // the page stores its last child as the tail
  PageRef source;           // the page buffer this node matches
  bool encodedHere = false; // source is this writer's own encoding of the node (not a page read)
  std::uint64_t lastUse = 0;
};

namespace {

// Decoded pages kept between changes, per tree (a Jet 4 leaf takes some 10 to 20 KB decoded, so at
// most some 20 MB a tree); enough for the leaves of an index of some 100 000 short keys, so that
// keys arriving in random order seldom find their leaf undecoded. Beyond it, the half used longest
// ago goes.
constexpr std::size_t kDecodedPagesKept = 256;

bool sameEntry(const IndexEntry& a, const IndexEntry& b) { return a.key == b.key && a.row == b.row; }

// Whether a kept page buffer and the store's current one hold the same page: the same buffer, or
// (after the page file dropped its buffer from its cache and read the page again) equal bytes, so
// the page's decoding still holds.
bool sameBytes(const PageRef& kept, const PageRef& current) {
  if (kept == current) return true;
  if (!kept || !current) return false;
  ByteSpan a = kept->bytes(), b = current->bytes();
  return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size()) == 0;
}

int compareTo(const IndexEntry& e, const Bytes& key, RowLocation row) {
  return compareEntries(e.key, e.row, key, row);
}

// The position of the first of items[0, end) that is not before (key, row), the items being in
// index order. Keys that arrive in ascending order (autonumbers, counters) go after every item, so
// the last item is compared first.
std::size_t firstNotBefore(const std::vector<IndexEntry>& items, std::size_t end, const Bytes& key, RowLocation row) {
  if (end == 0 || compareTo(items[end - 1], key, row) < 0) return end;
  auto it = std::partition_point(items.begin(), items.begin() + static_cast<std::ptrdiff_t>(end - 1),
                                 [&](const IndexEntry& e) { return compareTo(e, key, row) < 0; });
  return static_cast<std::size_t>(it - items.begin());
}

}  // namespace

// One insert or remove: the path from the root to the leaf, the pages it changes, allocates and
// gives back, and the link changes of neighbouring pages. Nothing reaches the store before write().
class IndexTreeWriter::Change {
 public:
  explicit Change(IndexTreeWriter& tree) : tree_(tree), layout_(tree.pages_.layout()) {}

  // Walks from the root to the leaf where (key, row) is or belongs. False when the tree is empty
  // in a way that has no leaf (an intermediate root without children) and createLeaf is false.
  bool descend(const Bytes& key, RowLocation row, bool createLeaf) {
    std::optional<IndexEntry> bound;
    std::uint32_t number = tree_.root_;
    for (std::size_t depth = 0;; ++depth) {
      if (depth >= IndexReader::kMaxDepth) damaged("the tree is deeper than any index can be (a cycle?)");
      for (const Step& s : path_)
        if (s.node->number == number) damaged("page " + std::to_string(number) + " is reached twice");
      std::shared_ptr<Node> node = load(number, bound);
      live_[number] = node.get();
      if (!node->leaf && node->items.empty()) {
        if (depth > 0) damaged("intermediate page " + std::to_string(number) + " has no children");
        if (!createLeaf) return false;
        node->leaf = true;  // an emptied root becomes a leaf again
        node->lastKnown = true;
        touch(*node);
      }
      if (node->leaf) {
        path_.push_back({node, firstNotBefore(node->items, node->items.size(), key, row)});
        return true;
      }
      std::size_t i = childFor(*node, key, row);
      path_.push_back({node, i});
      bool known = i + 1 < node->items.size() || node->lastKnown;
      bound = known ? std::optional<IndexEntry>(node->items[i]) : std::nullopt;
      number = node->items[i].child;
    }
  }

  // Rows of the entries with exactly this key, from the current leaf position on (after a descent
  // to (key, the lowest row)), at most limit of them.
  std::vector<RowLocation> rowsFromHere(const Bytes& key, std::size_t limit) {
    std::vector<RowLocation> rows;
    for (std::size_t leaves = 0; rows.size() < limit; ++leaves) {
      const Node& n = *path_.back().node;
      for (std::size_t i = path_.back().index; i < n.items.size(); ++i) {
        if (n.items[i].key != key || rows.size() == limit) return rows;
        rows.push_back(n.items[i].row);
      }
      if (leaves > IndexReader::kMaxDepth + limit) damaged("a run of empty leaves");
      if (!nextLeaf()) break;
    }
    return rows;
  }

  // Whether an entry next to the leaf position (before it or at it) has this key: the entries
  // around where (key, row) goes, which are the only ones that can share its key.
  bool neighbourHasKey(const Bytes& key) {
    const Node& leaf = *path_.back().node;
    std::size_t at = path_.back().index;
    if (at > 0) {
      if (leaf.items[at - 1].key == key) return true;
    } else {
      // The entry before is the last of the subtree left of the path, which its parent's entry holds.
      for (std::size_t d = path_.size() - 1; d-- > 0;) {
        if (path_[d].index == 0) continue;
        if (path_[d].node->items[path_[d].index - 1].key == key) return true;
        break;
      }
    }
    if (at < leaf.items.size()) return leaf.items[at].key == key;
    // The entry after is the first of the next subtree right of the path.
    for (std::size_t d = path_.size() - 1; d-- > 0;) {
      const Node& n = *path_[d].node;
      std::size_t i = path_[d].index + 1;
      if (i >= n.items.size()) continue;
      std::shared_ptr<Node> below = load(n.items[i].child, std::nullopt);
      for (std::size_t depth = d + 1; !below->leaf; ++depth) {
        if (depth >= IndexReader::kMaxDepth || below->items.empty()) damaged("a subtree without leaves");
        below = load(below->items.front().child, std::nullopt);
      }
      return !below->items.empty() && below->items.front().key == key;
    }
    return false;
  }

  Node& leaf() { return *path_.back().node; }
  std::size_t leafPosition() const { return path_.back().index; }

  // The leaf took one new entry at position `at` and nothing else yet: while no split or drop
  // follows, its page is written by splicing the entry into its current bytes.
  void noteInsert(Node& leaf, std::size_t at) {
    inserted_ = &leaf;
    insertedAt_ = at;
  }

  void touch(Node& node) {
    if (std::find(touched_.begin(), touched_.end(), &node) == touched_.end()) touched_.push_back(&node);
  }

  // Brings the tree back into shape after the leaf changed at position `changedAt`: splits what
  // overflows, drops what emptied, and carries changed last entries up to the parents.
  void settle(std::size_t changedAt) {
    std::size_t firstNew = changedAt, lastNew = changedAt;
    for (std::size_t d = path_.size() - 1;; --d) {
      Node& n = *path_[d].node;
      if (n.items.empty()) {
        if (d == 0) {
          n.leaf = true;
          n.lastKnown = true;
          touch(n);
          return;
        }
        dropPage(n);
        Node& parent = *path_[d - 1].node;
        std::size_t i = path_[d - 1].index;
        bool wasLast = i + 1 == parent.items.size();
        parent.items.erase(parent.items.begin() + static_cast<std::ptrdiff_t>(i));
        touch(parent);
        if (!wasLast) return;
        if (!parent.items.empty()) parent.lastKnown = true;  // the new last child had a stored entry
        firstNew = lastNew = i == 0 ? 0 : i - 1;
        continue;
      }
      std::vector<Node*> pieces;
      if (itemsFitOnePage(n.items, n.leaf, layout_)) {
        pieces.push_back(&n);
      } else if (d == 0) {
        splitRoot(n, firstNew, lastNew);
        return;
      } else {
        pieces = split(n, firstNew, lastNew);
      }
      if (d == 0) return;
      Node& parent = *path_[d - 1].node;
      std::size_t i = path_[d - 1].index;
      if (!replaceInParent(parent, i, pieces)) return;
      firstNew = i;
      lastNew = i + pieces.size() - 1;
    }
  }

  // Encodes every changed page, then writes them, the neighbours' new links and the pages given
  // back; the decoded pages are kept for the next change.
  void write() {
    std::vector<std::pair<std::uint32_t, std::vector<std::uint8_t>>> out;
    for (Node* n : touched_)
      if (!dead(n->number)) out.emplace_back(n->number, encode(*n));
    for (auto& [number, bytes] : patched_) out.emplace_back(number, std::move(bytes));
    for (auto& [number, bytes] : out) tree_.pages_.write(number, std::move(bytes));
    for (std::uint32_t number : released_) tree_.pages_.release(number);

    for (Node* n : touched_) {
      if (dead(n->number)) continue;
      n->source = tree_.pages_.page(n->number);
      n->encodedHere = true;
      n->storedTail = !n->leaf && n->items.size() >= 2;
    }
    auto& kept = tree_.decoded_;
    for (const Step& s : path_) kept[s.node->number] = s.node;
    for (auto& [number, node] : created_) {
      node->lastUse = ++tree_.clock_;
      kept[number] = node;
    }
    for (std::uint32_t number : released_) kept.erase(number);
    for (auto& [number, bytes] : patched_) kept.erase(number);
    tree_.trimDecoded();
  }

 private:
  struct Step {
    std::shared_ptr<Node> node;
    std::size_t index;  // leaf: entry position; intermediate: child taken
  };

  [[noreturn]] void damaged(const std::string& what) const {
    throwDamaged("index with root page " + std::to_string(tree_.root_) + ": " + what);
  }

  // The page, decoded (or as kept from an earlier change when the store still has that buffer).
  // bound is the parent's entry for the page, when there is one: the last entry below the page.
  std::shared_ptr<Node> load(std::uint32_t number, const std::optional<IndexEntry>& bound) {
    PageRef raw = tree_.pages_.page(number);
    std::shared_ptr<Node> node;
    auto hit = tree_.decoded_.find(number);
    if (hit != tree_.decoded_.end() && sameBytes(hit->second->source, raw)) {
      node = hit->second;
      node->source = raw;
    } else {
      node = decode(raw, number);
      tree_.decoded_[number] = node;
    }
    node->lastUse = ++tree_.clock_;
    if (!node->leaf && node->storedTail) {
      node->lastKnown = bound.has_value();
      if (bound) {
        node->items.back().key = bound->key;
        node->items.back().row = bound->row;
      }
    }
    return node;
  }

  std::shared_ptr<Node> decode(const PageRef& raw, std::uint32_t number) {
    if (!isIndexPageType(raw->type())) damaged("page " + std::to_string(number) + " is not an index page");
    IndexPage page = decodeIndexPage(raw->bytes(), number, layout_);
    if (page.tablePage != tree_.tablePage_)
      damaged("page " + std::to_string(number) + " belongs to another table");
    auto node = std::make_shared<Node>();
    node->number = number;
    node->leaf = page.leaf;
    node->previous = page.previous;
    node->next = page.next;
    node->items = std::move(page.entries);
    node->source = raw;
    for (std::size_t i = 1; i < node->items.size(); ++i)
      if (compareEntries(node->items[i - 1].key, node->items[i - 1].row, node->items[i].key, node->items[i].row) >= 0)
        damaged("the entries of page " + std::to_string(number) + " are out of order");
    if (!page.leaf) {
      for (const IndexEntry& e : node->items)
        if (e.child == 0) damaged("page " + std::to_string(number) + " has an entry without a child page");
      if (page.tail != 0) {
        IndexEntry tail;
        tail.child = page.tail;
        node->items.push_back(std::move(tail));
        node->storedTail = true;
      }
    }
    return node;
  }

  // Moves the path to the start of the next leaf in tree order; false after the last one.
  bool nextLeaf() {
    path_.pop_back();
    while (!path_.empty() && path_.back().index + 1 >= path_.back().node->items.size()) path_.pop_back();
    if (path_.empty()) return false;
    Step& up = path_.back();
    ++up.index;
    for (;;) {
      const Node& parent = *path_.back().node;
      std::size_t i = path_.back().index;
      bool known = i + 1 < parent.items.size() || parent.lastKnown;
      std::optional<IndexEntry> bound = known ? std::optional<IndexEntry>(parent.items[i]) : std::nullopt;
      if (path_.size() >= IndexReader::kMaxDepth) damaged("the tree is deeper than any index can be (a cycle?)");
      std::shared_ptr<Node> child = load(parent.items[i].child, bound);
      if (!child->leaf && child->items.empty()) damaged("an intermediate page has no children");
      path_.push_back({child, 0});
      if (child->leaf) return true;
    }
  }

  // The child of an intermediate page where (key, row) is or belongs: the first whose last entry
  // is at or after it, else the last child.
  static std::size_t childFor(const Node& node, const Bytes& key, RowLocation row) {
    std::size_t known = node.lastKnown ? node.items.size() : node.items.size() - 1;
    return std::min(firstNotBefore(node.items, known, key, row), node.items.size() - 1);
  }

  // Replaces the parent's entry for child i by entries for the pieces it became. Returns whether
  // the parent changed in a way its own parent must hear about.
  bool replaceInParent(Node& parent, std::size_t i, const std::vector<Node*>& pieces) {
    bool wasLast = i + 1 == parent.items.size();
    bool oldKnown = !wasLast || parent.lastKnown;
    const std::uint32_t oldChild = parent.items[i].child;
    bool newKnown = pieces.back()->leaf || pieces.back()->lastKnown;
    // Most changes leave the parent's entry as it is: that is settled before anything is copied.
    bool changed = pieces.size() > 1 || oldKnown != newKnown ||
                   (newKnown && !sameEntry(parent.items[i], pieces.back()->items.back())) ||
                   oldChild != pieces.back()->number;
    if (!changed) return false;
    std::vector<IndexEntry> entries;
    for (Node* piece : pieces) {
      IndexEntry e;
      e.key = piece->items.back().key;
      e.row = piece->items.back().row;
      e.child = piece->number;
      entries.push_back(std::move(e));
    }
    parent.items.erase(parent.items.begin() + static_cast<std::ptrdiff_t>(i));
    parent.items.insert(parent.items.begin() + static_cast<std::ptrdiff_t>(i), entries.begin(), entries.end());
    if (wasLast) parent.lastKnown = newKnown;
    std::size_t lastIndex = i + pieces.size() - 1;
    bool stored = pieces.size() > 1 || lastIndex + 1 < parent.items.size() || parent.items.size() == 1 ||
                  oldChild != pieces.back()->number;
    if (stored) touch(parent);
    return true;
  }

  // Cuts an overflowing page (not the root) into pieces; one keeps the page, the others are new.
  std::vector<Node*> split(Node& n, std::size_t firstNew, std::size_t lastNew) {
    std::vector<std::size_t> cuts = chooseSplit(n.items, n.leaf, firstNew, lastNew, n.lastKnown, layout_);
    std::vector<std::vector<IndexEntry>> parts = cutItems(n.items, cuts);
    inserted_ = nullptr;
    // Keys arriving before all others split off a new first page; the old page keeps the rest.
    std::size_t keeper = (cuts.size() == 1 && firstNew == 0 && cuts[0] <= lastNew + 1) ? parts.size() - 1 : 0;
    std::uint32_t oldPrevious = n.previous, oldNext = n.next;
    bool lastKnown = n.lastKnown;

    std::vector<Node*> pieces;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      Node* piece = p == keeper ? &n : newNode(n.leaf);
      piece->items = std::move(parts[p]);
      piece->lastKnown = p + 1 < parts.size() || lastKnown;
      pieces.push_back(piece);
      touch(*piece);
    }
    chain(pieces, oldPrevious, oldNext);
    if (pieces.front()->number != n.number && oldPrevious != 0)
      setLink(oldPrevious, /*next=*/true, pieces.front()->number, n.number, n.leaf);
    if (pieces.back()->number != n.number && oldNext != 0)
      setLink(oldNext, /*next=*/false, pieces.back()->number, n.number, n.leaf);
    if (!n.leaf) separateChildren(pieces);
    return pieces;
  }

  // The root overflowed: its items move to new pages below it, and it points at them.
  void splitRoot(Node& root, std::size_t firstNew, std::size_t lastNew) {
    std::vector<std::size_t> cuts = chooseSplit(root.items, root.leaf, firstNew, lastNew, root.lastKnown, layout_);
    std::vector<std::vector<IndexEntry>> parts = cutItems(root.items, cuts);
    inserted_ = nullptr;
    std::vector<Node*> pieces;
    for (std::size_t p = 0; p < parts.size(); ++p) {
      Node* piece = newNode(root.leaf);
      piece->items = std::move(parts[p]);
      piece->lastKnown = p + 1 < parts.size() || root.lastKnown;
      pieces.push_back(piece);
      touch(*piece);
    }
    chain(pieces, 0, 0);
    if (!root.leaf) separateChildren(pieces);
    root.items.clear();
    for (Node* piece : pieces) {
      IndexEntry e;
      e.key = piece->items.back().key;
      e.row = piece->items.back().row;
      e.child = piece->number;
      root.items.push_back(std::move(e));
    }
    root.lastKnown = pieces.back()->lastKnown;
    root.leaf = false;
    root.previous = root.next = 0;
    touch(root);
  }

  static std::vector<std::vector<IndexEntry>> cutItems(std::vector<IndexEntry>& items,
                                                       const std::vector<std::size_t>& cuts) {
    std::vector<std::vector<IndexEntry>> parts;
    std::size_t from = 0;
    for (std::size_t p = 0; p <= cuts.size(); ++p) {
      std::size_t to = p < cuts.size() ? cuts[p] : items.size();
      parts.emplace_back(std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(from)),
                         std::make_move_iterator(items.begin() + static_cast<std::ptrdiff_t>(to)));
      from = to;
    }
    items.clear();
    return parts;
  }

  Node* newNode(bool leaf) {
    auto node = std::make_shared<Node>();
    node->number = tree_.pages_.allocate();
    node->leaf = leaf;
    live_[node->number] = node.get();
    created_.emplace_back(node->number, node);
    return node.get();
  }

  // Links consecutive pieces to each other, the first to `previous` and the last to `next`.
  static void chain(const std::vector<Node*>& pieces, std::uint32_t previous, std::uint32_t next) {
    for (std::size_t p = 0; p < pieces.size(); ++p) {
      pieces[p]->previous = p == 0 ? previous : pieces[p - 1]->number;
      pieces[p]->next = p + 1 < pieces.size() ? pieces[p + 1]->number : next;
    }
  }

  // Intermediate pages link only to neighbours under the same parent: where a split puts two
  // neighbouring intermediate children under different parents, their links are cut.
  void separateChildren(const std::vector<Node*>& pieces) {
    for (std::size_t p = 0; p + 1 < pieces.size(); ++p) {
      std::uint32_t left = pieces[p]->items.back().child;
      std::uint32_t right = pieces[p + 1]->items.front().child;
      if (isLeafPage(left)) return;  // every child is on the same level
      setLink(left, /*next=*/true, 0, std::nullopt, false);
      setLink(right, /*next=*/false, 0, std::nullopt, false);
    }
  }

  bool isLeafPage(std::uint32_t number) {
    auto it = live_.find(number);
    if (it != live_.end()) return it->second->leaf;
    return tree_.pages_.page(number)->type() == format::page_type::kIndexLeaf;
  }

  // An emptied page (not the root) leaves the tree: its neighbours link past it, the page goes back.
  void dropPage(Node& n) {
    if (&n == inserted_) inserted_ = nullptr;
    if (n.previous != 0) setLink(n.previous, /*next=*/true, n.next, n.number, n.leaf);
    if (n.next != 0) setLink(n.next, /*next=*/false, n.previous, n.number, n.leaf);
    released_.push_back(n.number);
  }

  bool dead(std::uint32_t number) const {
    return std::find(released_.begin(), released_.end(), number) != released_.end();
  }

  // Sets the next (or previous) link of page `number` to value. The page must be an index page of
  // the table on the same level (leaf or not) whose link is now `expected` (when given).
  void setLink(std::uint32_t number, bool next, std::uint32_t value, std::optional<std::uint32_t> expected,
               bool leaf) {
    auto it = live_.find(number);
    if (it != live_.end()) {
      Node& n = *it->second;
      std::uint32_t& link = next ? n.next : n.previous;
      if (expected && link != *expected) badLink(number);
      link = value;
      touch(n);
      return;
    }
    auto patched = patched_.find(number);
    if (patched == patched_.end()) {
      PageRef raw = tree_.pages_.page(number);
      std::uint8_t wanted = leaf ? format::page_type::kIndexLeaf : format::page_type::kIndexIntermediate;
      ByteSpan bytes = raw->bytes();
      if (bytes.size() != layout_.pageSize || raw->type() != wanted || bytes::u32(bytes, 4) != tree_.tablePage_)
        badLink(number);
      patched = patched_.emplace(number, std::vector<std::uint8_t>(bytes.begin(), bytes.end())).first;
    }
    std::vector<std::uint8_t>& bytes = patched->second;
    std::size_t offset = next ? layout_.indexNextPageOffset : layout_.indexPrevPageOffset;
    if (expected && bytes::u32(bytes, offset) != *expected) badLink(number);
    bytes::put32(bytes, offset, value);
  }

  [[noreturn]] void badLink(std::uint32_t number) const {
    damaged("the links between page " + std::to_string(number) + " and its neighbours are wrong");
  }

  std::vector<std::uint8_t> encode(Node& n) {
    IndexPage page;
    page.number = n.number;
    page.leaf = n.leaf;
    page.tablePage = tree_.tablePage_;
    page.previous = n.previous;
    page.next = n.next;
    if (!n.leaf && n.items.size() == 1 && !n.lastKnown) {
      IndexEntry last = lastBelow(n.items.front().child);
      n.items.front().key = std::move(last.key);
      n.items.front().row = last.row;
      n.lastKnown = true;
    }
    // The items are lent to the page for encoding and taken back.
    IndexEntry tail;
    bool hasTail = !n.leaf && n.items.size() >= 2;
    page.entries = std::move(n.items);
    if (hasTail) {
      tail = std::move(page.entries.back());
      page.entries.pop_back();
      page.tail = tail.child;
    }
    std::vector<std::uint8_t> bytes;
    try {
      page.prefixLength = accessPrefixLength(page.entries, page.leaf, layout_, /*sorted=*/true);
      if (&n == inserted_ && n.leaf && n.encodedHere && n.source)
        bytes = encodeIndexPageWithInsert(n.source->bytes(), page, insertedAt_, layout_);
      if (bytes.empty()) bytes = encodeIndexPage(page, layout_);
    } catch (const Error& e) {
      // The entries came from the tree in index order; only damage makes them unwritable.
      n.items = std::move(page.entries);
      if (hasTail) n.items.push_back(std::move(tail));
      damaged("page " + std::to_string(n.number) + " cannot be written again: " + e.what());
    } catch (...) {
      n.items = std::move(page.entries);
      if (hasTail) n.items.push_back(std::move(tail));
      throw;
    }
    n.items = std::move(page.entries);
    if (hasTail) n.items.push_back(std::move(tail));
    return bytes;
  }

  // The last leaf entry below page `number`, following last children down.
  IndexEntry lastBelow(std::uint32_t number) {
    for (std::size_t depth = 0; depth < IndexReader::kMaxDepth; ++depth) {
      auto it = live_.find(number);
      if (it != live_.end()) {
        Node& n = *it->second;
        if (n.items.empty()) break;
        if (n.leaf || n.lastKnown) return n.items.back();
        number = n.items.back().child;
        continue;
      }
      PageRef raw = tree_.pages_.page(number);
      if (!isIndexPageType(raw->type())) break;
      IndexPage page = decodeIndexPage(raw->bytes(), number, layout_);
      if (page.leaf) {
        if (page.entries.empty()) break;
        return page.entries.back();
      }
      if (page.tail != 0)
        number = page.tail;
      else if (!page.entries.empty())
        number = page.entries.back().child;
      else
        break;
    }
    damaged("the last page of a subtree holds no entries");
  }

  IndexTreeWriter& tree_;
  const format::Layout& layout_;
  std::vector<Step> path_;
  std::map<std::uint32_t, Node*> live_;  // every page of this change held as a node
  std::vector<Node*> touched_;
  std::vector<std::pair<std::uint32_t, std::shared_ptr<Node>>> created_;
  std::map<std::uint32_t, std::vector<std::uint8_t>> patched_;  // neighbours with new links
  std::vector<std::uint32_t> released_;
  Node* inserted_ = nullptr;  // see noteInsert()
  std::size_t insertedAt_ = 0;
};

IndexTreeWriter::IndexTreeWriter(IndexPageStore& pages, std::uint32_t rootPage, std::uint32_t tablePage)
    : pages_(pages), root_(rootPage), tablePage_(tablePage) {}

IndexTreeWriter::~IndexTreeWriter() = default;

void IndexTreeWriter::forget() { decoded_.clear(); }

void IndexTreeWriter::trimDecoded() {
  if (decoded_.size() <= kDecodedPagesKept) return;
  std::vector<std::uint64_t> uses;
  uses.reserve(decoded_.size());
  for (const auto& [number, node] : decoded_) uses.push_back(node->lastUse);
  auto middle = uses.begin() + static_cast<std::ptrdiff_t>(uses.size() / 2);
  std::nth_element(uses.begin(), middle, uses.end());
  std::uint64_t cut = *middle;
  std::erase_if(decoded_, [cut](const auto& kept) { return kept.second->lastUse < cut; });
}

bool IndexTreeWriter::insert(const Bytes& key, RowLocation row) {
  if (key.size() > maxIndexKeyLength(pages_.layout()))
    throw Error(ErrorCode::InvalidState, "index entry: the key is longer than an index page can hold");
  try {
    Change change(*this);
    change.descend(key, row, /*createLeaf=*/true);
    Node& leaf = change.leaf();
    std::size_t at = change.leafPosition();
    if (at < leaf.items.size() && compareTo(leaf.items[at], key, row) == 0)
      throw Error(ErrorCode::InvalidState, "index entry: the index already has an entry for row " +
                                               std::to_string(row.row) + " of page " + std::to_string(row.page));
    bool newKey = !change.neighbourHasKey(key);
    IndexEntry e;
    e.key = key;
    e.row = row;
    leaf.items.insert(leaf.items.begin() + static_cast<std::ptrdiff_t>(at), std::move(e));
    change.touch(leaf);
    change.noteInsert(leaf, at);
    change.settle(at);
    change.write();
    return newKey;
  } catch (...) {
    decoded_.clear();  // nodes may hold changes that never reached the store
    throw;
  }
}

std::vector<RowLocation> IndexTreeWriter::rowsWithKey(const Bytes& key, std::size_t limit) {
  try {
    Change change(*this);
    if (limit == 0 || !change.descend(key, RowLocation{0, 0}, /*createLeaf=*/false)) return {};
    return change.rowsFromHere(key, limit);
  } catch (...) {
    decoded_.clear();
    throw;
  }
}

bool IndexTreeWriter::remove(const Bytes& key, RowLocation row) {
  try {
    Change change(*this);
    if (!change.descend(key, row, /*createLeaf=*/false)) return false;
    Node& leaf = change.leaf();
    std::size_t at = change.leafPosition();
    if (at >= leaf.items.size() || compareTo(leaf.items[at], key, row) != 0) return false;
    leaf.items.erase(leaf.items.begin() + static_cast<std::ptrdiff_t>(at));
    change.touch(leaf);
    change.settle(at);
    change.write();
    return true;
  } catch (...) {
    decoded_.clear();
    throw;
  }
}

}  // namespace jet
