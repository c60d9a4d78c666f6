// The database benchmark's yardstick under Wine: N records of TOTAL / N bytes together (the first TOTAL mod N
// one byte longer), each appended to a real file with its own open and close, then the whole file read back
// in one pass. Prints the seconds this took, measured inside the program, and the bytes read back.
//
//   plain_database.exe N TOTAL FILE
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "uso: plain_database N TOTAL FICHERO\n");
    return 2;
  }
  const unsigned long long n = std::strtoull(argv[1], nullptr, 10);
  const unsigned long long total = std::strtoull(argv[2], nullptr, 10);
  const char* path = argv[3];
  DeleteFileA(path);
  std::vector<char> record(n == 0 ? 0 : total / n + 1, 'x');
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  for (unsigned long long i = 0; i < n; ++i) {
    const DWORD size = static_cast<DWORD>(total / n + (i < total % n ? 1 : 0));
    HANDLE h = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (h == INVALID_HANDLE_VALUE || !WriteFile(h, record.data(), size, &written, nullptr) || written != size)
      return 1;
    CloseHandle(h);
  }
  HANDLE h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) return 1;
  std::vector<char> buffer(1 << 20);
  unsigned long long read_back = 0;
  DWORD got = 0;
  while (ReadFile(h, buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0)
    read_back += got;
  CloseHandle(h);
  QueryPerformanceCounter(&end);
  DeleteFileA(path);
  std::printf("%.4f s %llu bytes\n", static_cast<double>(end.QuadPart - start.QuadPart) / frequency.QuadPart,
              read_back);
  return 0;
}
