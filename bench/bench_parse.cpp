// Listing parse rate: writes a listing of N lines in the style of a UNIX, VMS or Windows NT server,
// then times the parse run and the enumeration and prints lines per second and peak memory.
// The peer in the same run is an I/O floor: the same listing read line by line and one record of
// the stored size written per line, through the same C runtime, file creation and block size,
// without parsing.
//   bench_parse unix|vms|nt <lines> <folder> [keep|reuse]
// 'keep' leaves the listing in the folder and 'reuse' parses a kept one without writing it again
// (for profiling the parse alone).
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <chrono>
#include <string>

#ifdef _WIN32
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <psapi.h>
#include <sys/stat.h>
#else
#include <sys/resource.h>
#endif

#include "vqDirParser.h"

namespace {

double peakMegabytes() {
#ifdef _WIN32
  PROCESS_MEMORY_COUNTERS pmc;
  memset(&pmc, 0, sizeof pmc);
  pmc.cb = sizeof pmc;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc))
    return static_cast<double>(pmc.PeakWorkingSetSize) / (1024.0 * 1024.0);
  return 0;
#else
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  return static_cast<double>(ru.ru_maxrss) / 1024.0;
#endif
}

const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* kVmsMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};

void writeLine(FILE* f, const std::string& kind, long k) {
  unsigned long size = static_cast<unsigned long>(k) * 7919UL % 10000000UL;
  int month = static_cast<int>(k % 12), day = static_cast<int>(k % 28) + 1;
  if (kind == "unix") {
    switch (k % 10) {
      case 0:
        fprintf(f, "drwxr-xr-x   2 ftp      ftp          4096 %s %2d  %d dir_%06ld\n", kMonths[month], day,
                1990 + static_cast<int>(k % 30), k);
        break;
      case 1:
        fprintf(f, "lrwxrwxrwx   1 root     root           11 %s %2d %02d:%02d link_%06ld -> target/%06ld\n",
                kMonths[month], day, static_cast<int>(k % 24), static_cast<int>(k % 60), k, k);
        break;
      case 2:
        fprintf(f, "-rw-r--r--   1 ftp      ftp      %8lu %s %2d %02d:%02d name with  spaces %06ld.txt\n", size,
                kMonths[month], day, static_cast<int>(k % 24), static_cast<int>(k % 60), k);
        break;
      default:
        fprintf(f, "-rw-r--r--   1 ftp      ftp      %8lu %s %2d  %d file_%06ld.tar.gz\n", size, kMonths[month], day,
                1990 + static_cast<int>(k % 30), k);
    }
  } else if (kind == "vms") {
    if (k % 10 == 0)
      fprintf(f, "SUBDIR_%06ld.DIR;1          1/3   %d-%s-%d %02d:%02d:00.00  [SYSTEM]  (RWE,RWE,RE,RE)\n", k, day,
              kVmsMonths[month], 1990 + static_cast<int>(k % 30), static_cast<int>(k % 24), static_cast<int>(k % 60));
    else
      fprintf(f, "FILE_%06ld.DAT;%ld      %lu/%lu   %d-%s-%d %02d:%02d:00.00  [SYSTEM]  (RWED,RWED,RE,)\n", k,
              k % 9 + 1, size / 512, size / 512 + 3, day, kVmsMonths[month], 1990 + static_cast<int>(k % 30),
              static_cast<int>(k % 24), static_cast<int>(k % 60));
  } else {
    int hour = static_cast<int>(k % 12) + 1;
    const char* half = k % 2 ? "PM" : "AM";
    if (k % 10 == 0)
      fprintf(f, "%02d-%02d-%02d  %02d:%02d%s       <DIR>          Folder %06ld\n", month + 1, day,
              static_cast<int>(k % 100), hour, static_cast<int>(k % 60), half, k);
    else
      fprintf(f, "%02d-%02d-%02d  %02d:%02d%s       %14lu Document %06ld.docx\n", month + 1, day,
              static_cast<int>(k % 100), hour, static_cast<int>(k % 60), half, size, k);
  }
}

// Creates a new file the way the parse run does (a truncated file can cost a flush when closed).
FILE* createNew(const std::string& path) {
  remove(path.c_str());
#ifdef _WIN32
  int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
  FILE* f = fd < 0 ? nullptr : _fdopen(fd, "wb");
#else
  FILE* f = fopen(path.c_str(), "wbx");
#endif
  return f ? f : fopen(path.c_str(), "wb");
}

// The floor: read every line, write one stored-size record per line, in the parse run's block
// size. Returns the lines read.
long ioFloor(const std::string& listing, const std::string& out) {
  FILE* in = fopen(listing.c_str(), "rb");
  FILE* o = createNew(out);
  long lines = 0;
  if (in && o) {
    setvbuf(o, nullptr, _IONBF, 0);
    std::string block(1 << 18, '\0');
    size_t used = 0;
    std::string buf(1 << 16, '\0');
    char record[VQ_ITEMID_STORED_SIZE];
    memset(record, 0, sizeof record);
    size_t have = 0, got;
    bool ok = true;
    while (ok && (got = fread(&buf[have], 1, buf.size() - have, in)) > 0) {
      const char* p = buf.data();
      const char* end = p + have + got;
      for (const char* lf; (lf = static_cast<const char*>(memchr(p, '\n', static_cast<size_t>(end - p)))); p = lf + 1) {
        size_t take = lf - p < 8 ? static_cast<size_t>(lf - p) : 8;
        memcpy(record, p, take);  // something of the line in each record, as the parse run has
        if (used + sizeof record > block.size()) {
          ok = fwrite(block.data(), 1, used, o) == used;
          used = 0;
        }
        memcpy(&block[used], record, sizeof record);
        used += sizeof record;
        ++lines;
      }
      have = static_cast<size_t>(end - p);  // a line cut by the buffer end moves to its front
      memmove(&buf[0], p, have);
    }
    if (ok && used) fwrite(block.data(), 1, used, o);
  }
  if (in) fclose(in);
  if (o) fclose(o);
  remove(out.c_str());
  return lines;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    fprintf(stderr, "usage: bench_parse unix|vms|nt <lines> <folder>\n");
    return 2;
  }
  std::string kind = argv[1];
  long lines = atol(argv[2]);
  std::string listing = std::string(argv[3]) + "/bench-" + kind + ".vqLS";
  _VQ_HOSTTYPE host = kind == "vms" ? VQ_HOST_OPENVMS : kind == "nt" ? VQ_HOST_WINNT351D : VQ_HOST_UNIX;
  const std::string mode = argc > 4 ? argv[4] : "";

  if (mode != "reuse") {
    FILE* f = fopen(listing.c_str(), "wb");
    if (!f) {
      fprintf(stderr, "cannot write %s\n", listing.c_str());
      return 1;
    }
    if (kind == "unix") fprintf(f, "total %ld\n", lines);
    for (long k = 0; k < lines; ++k) writeLine(f, kind, k);
    fclose(f);
  }

  vqDirParser parser(host);
  parser.SetToday(2026, 6, 15);
  unsigned long count = 0;
  auto t0 = std::chrono::steady_clock::now();
  unsigned long result = parser.DIR_PARSE(listing.c_str(), count);
  auto t1 = std::chrono::steady_clock::now();
  if (result != 0 || count != static_cast<unsigned long>(lines)) {
    fprintf(stderr, "parse gave %lu with %lu records of %ld lines\n", result, count, lines);
    return 1;
  }
  if (mode == "reuse") {
    printf("%-4s %8ld lines  parse %10.0f lines/s\n", kind.c_str(), lines,
           lines / std::chrono::duration<double>(t1 - t0).count());
    remove(parser.GetOutfileName());
    return 0;
  }

  _FTPITEMID item;
  unsigned long read = 0;
  unsigned long long checksum = 0;
  if (!parser.DirEnumOpen(parser.GetOutfileName())) return 1;
  memset(&item, 0, sizeof item);
  for (int more = parser.DirEnumFirst(&item); more; more = parser.DirEnumNext(&item)) {
    ++read;
    checksum += item.size + static_cast<unsigned char>(item.dateText[0]);
  }
  parser.DirEnumClose();
  auto t2 = std::chrono::steady_clock::now();

  auto t3 = std::chrono::steady_clock::now();
  long floorLines = ioFloor(listing, listing + ".floor");
  auto t4 = std::chrono::steady_clock::now();

  if (floorLines < lines) {
    fprintf(stderr, "the floor read %ld of %ld lines\n", floorLines, lines);
    return 1;
  }
  double parseSec = std::chrono::duration<double>(t1 - t0).count();
  double enumSec = std::chrono::duration<double>(t2 - t1).count();
  double floorSec = std::chrono::duration<double>(t4 - t3).count();
  double parseRate = lines / parseSec, floorRate = floorLines / floorSec;
  printf(
      "%-4s %8ld lines  parse %10.0f lines/s  floor %10.0f lines/s  ratio %.2f   enumerate %10.0f records/s"
      "   peak %.1f MB  (%llu)\n",
      kind.c_str(), lines, parseRate, floorRate, parseRate / floorRate, read / enumSec, peakMegabytes(), checksum % 10);
  remove(parser.GetOutfileName());
  if (mode != "keep") remove(listing.c_str());
  return 0;
}
