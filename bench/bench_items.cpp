// Items from a parsed listing and the folder's order: builds N items from a parsed UNIX listing
// and sorts them as the folder does (by name and kind) and by each column's sort text.
// Peers in the same run: reading the same records back without making items, and sorting the
// same names with the C runtime's case-insensitive comparison.
//   bench_items <items> <folder>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "shellItems.h"
#include "vqDirParser.h"

#ifdef _WIN32
#define strcasecmp _stricmp
#else
#include <strings.h>
#endif

namespace {
using Clock = std::chrono::steady_clock;
double secondsSince(Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); }

struct Store {
  std::vector<_FTPITEMID*> items;
  static int sink(const _FTPITEMID* it, void* user) {
    // The item itself is the only allocation per entry.
    _FTPITEMID* copy = static_cast<_FTPITEMID*>(malloc(sizeof *copy));
    if (!copy) return 0;
    memcpy(copy, it, sizeof *copy);
    static_cast<Store*>(user)->items.push_back(copy);
    return 1;
  }
};

// One-item lists: each item followed by a terminator, as the view holds them.
std::vector<unsigned char> asLists(const std::vector<_FTPITEMID*>& items, std::vector<LPCITEMIDLIST>& lists) {
  std::vector<unsigned char> block(items.size() * (VQ_ITEMID_SIZE + 2), 0);
  lists.clear();
  for (size_t k = 0; k < items.size(); ++k) {
    unsigned char* p = block.data() + k * (VQ_ITEMID_SIZE + 2);
    memcpy(p, items[k], VQ_ITEMID_SIZE);
    lists.push_back(reinterpret_cast<LPCITEMIDLIST>(p));
  }
  return block;
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    fprintf(stderr, "usage: bench_items <items> <folder>\n");
    return 2;
  }
  const long n = atol(argv[1]);
  std::string listing = std::string(argv[2]) + "/items.vqLS";
  FILE* f = fopen(listing.c_str(), "wb");
  if (!f) return 1;
  static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (long k = 0; k < n; ++k) {
    unsigned long size = static_cast<unsigned long>(k) * 7919UL % 100000000UL;
    const char* m = months[k % 12];
    int day = static_cast<int>(k % 28) + 1;
    if (k % 10 == 0)
      fprintf(f, "drwxr-xr-x   2 ftp      ftp          4096 %s %2d  2001 Dir_%06ld\n", m, day, (k * 7919) % n);
    else if (k % 10 == 1)
      fprintf(f, "lrwxrwxrwx   1 ftp      ftp            11 %s %2d 10:%02d link_%06ld -> t/%06ld\n", m, day,
              static_cast<int>(k % 60), (k * 7919) % n, k);
    else
      fprintf(f, "-rw-r--r--   1 ftp      ftp      %9lu %s %2d 12:%02d File_%06ld.txt\n", size, m, day,
              static_cast<int>(k % 60), (k * 7919) % n);
  }
  fclose(f);
  vqDirParser parser(VQ_HOST_UNIX);
  unsigned long count = 0;
  if (parser.DIR_PARSE(listing.c_str(), count) != 0 || !parser.DirEnumOpen(parser.GetOutfileName())) return 1;

  // Peer: the records read back alone.
  Clock::time_point t = Clock::now();
  _FTPITEMID record;
  long read = 0;
  for (int more = parser.DirEnumFirst(&record); more; more = parser.DirEnumNext(&record)) ++read;
  double readSeconds = secondsSince(t);

  _FTPITEMID folder;
  memset(&folder, 0, sizeof folder);
  folder.cb = VQ_ITEMID_SIZE;
  folder.kind = VQ_KIND_FOLDER;
  folder.permFlags[VQ_PERM_OWNER_WRITE] = 1;
  Store store;
  store.items.reserve(static_cast<size_t>(n) + 1);
  t = Clock::now();
  long built = shellItemsFromListing(parser, &folder, {1, 0, 0}, &Store::sink, &store);
  double buildSeconds = secondsSince(t);
  parser.DirEnumClose();
  remove(parser.GetOutfileName());
  remove(listing.c_str());

  printf("items %ld: build %.0f items/s (%.3f s), records read alone %.0f/s, ratio %.2f\n", built, built / buildSeconds,
         buildSeconds, read / readSeconds, (read / readSeconds) / (built / buildSeconds));

  std::vector<LPCITEMIDLIST> lists;
  std::vector<unsigned char> block = asLists(store.items, lists);
  long comparisons = 0;
  t = Clock::now();
  std::sort(lists.begin(), lists.end(), [&](LPCITEMIDLIST a, LPCITEMIDLIST b) {
    ++comparisons;
    return shellCompareItemLists(a, b) < 0;
  });
  double sortSeconds = secondsSince(t);
  std::vector<const char*> names;
  for (const _FTPITEMID* it : store.items) names.push_back(it->name);
  long peerComparisons = 0;
  t = Clock::now();
  std::sort(names.begin(), names.end(), [&](const char* a, const char* b) {
    ++peerComparisons;
    return strcasecmp(a, b) < 0;
  });
  double peerSeconds = secondsSince(t);
  printf("folder order: %.0f comparisons/s (sort %.3f s), strcasecmp on names %.0f/s, ratio %.2f\n",
         comparisons / sortSeconds, sortSeconds, peerComparisons / peerSeconds,
         (peerComparisons / peerSeconds) / (comparisons / sortSeconds));

  // Each column: the sort texts of every item once, then the sort.
  for (int column = 0; column < 6; ++column) {
    t = Clock::now();
    std::vector<std::pair<std::string, LPCITEMIDLIST>> keyed;
    keyed.reserve(lists.size());
    char buf[SHELL_COLUMN_BUF];
    for (LPCITEMIDLIST l : lists) keyed.emplace_back(shellColumnText(l, column, 1, buf, sizeof buf), l);
    double textSeconds = secondsSince(t);
    std::stable_sort(keyed.begin(), keyed.end(),
                     [](const auto& a, const auto& b) { return strcasecmp(a.first.c_str(), b.first.c_str()) < 0; });
    printf("column %d: texts %.3f s, sorted in %.3f s\n", column, textSeconds, secondsSince(t));
  }
  for (_FTPITEMID* it : store.items) free(it);
  return 0;
}
