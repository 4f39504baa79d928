// Loads one file as the file model does and prints the peak memory against the file's size.
#include <sys/resource.h>
#include <sys/stat.h>

#include <cstdio>

#include "files/uFL_TextFile.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: bench_load FILE\n");
    return 2;
  }
  struct stat St;
  if (stat(argv[1], &St) != 0) {
    std::perror(argv[1]);
    return 2;
  }
  TTextfile File(nullptr);
  File.SetFileName(argv[1]);
  File.FileRec.Size = St.st_size;
  File.FileRec.Attr = 32;
  const bool Loaded = File.Load();
  struct rusage Usage;
  getrusage(RUSAGE_SELF, &Usage);
  const double PeakMiB = double(Usage.ru_maxrss) / 1024.0;
  const double SizeMiB = double(St.st_size) / (1024.0 * 1024.0);
  std::printf("loaded=%d lines=%d size_mib=%.1f peak_mib=%.1f ratio=%.2f\n", Loaded ? 1 : 0,
              File.Lines.Count(), SizeMiB, PeakMiB, SizeMiB > 0 ? PeakMiB / SizeMiB : 0.0);
  return 0;
}
