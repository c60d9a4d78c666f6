// The host's files on POSIX systems: Linux, and the browser module's file system.
#include "platform/host_files.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace kal::host {
namespace {

Seen seen(const struct stat& st) {
  return {static_cast<std::uint64_t>(st.st_size),
          static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

}  // namespace

std::optional<Seen> regular_file(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return seen(st);
}

std::optional<std::string> read_regular_file(const std::string& path, std::uint64_t limit, Seen& opened) {
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::optional<std::string> bytes;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<std::uint64_t>(st.st_size) <= limit) {
    opened = seen(st);
    bytes = detail::read_all(limit, [fd](char* piece, std::size_t size) { return read(fd, piece, size); });
  }
  close(fd);
  return bytes;
}

bool is_link(const std::filesystem::path& p) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(p, error));
}

bool replace_file(const std::filesystem::path& from, const std::filesystem::path& to) {
  return std::rename(from.c_str(), to.c_str()) == 0;
}

bool write_whole_file(const std::string& named, std::string_view bytes) {
  char* real = realpath(named.c_str(), nullptr);
  const std::string path = real != nullptr ? real : named;
  std::free(real);
  struct stat st {};
  const bool exists = stat(path.c_str(), &st) == 0;
  // Made read-only: not written behind its back, whoever runs it (root may write anything).
  if (exists && ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(path.c_str(), W_OK) != 0))
    return false;
  const mode_t mode = exists ? st.st_mode & 07777 : 0644;
  const std::string beside = path + ".kal-nuevo";
  const int fd = open(beside.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, mode);
  if (fd < 0) return false;
  bool ok = fchmod(fd, mode) == 0;  // the mask of the process would take bits away
  for (std::size_t done = 0; ok && done < bytes.size();) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    ok = n > 0;
    if (ok) done += static_cast<std::size_t>(n);
  }
  ok = fsync(fd) == 0 && ok;
  ok = close(fd) == 0 && ok;
  if (ok && replace_file(beside, path)) return true;
  unlink(beside.c_str());
  return false;
}

std::string own_program() {
  std::string path(4096, '\0');
  const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
  path.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return path;
}

std::optional<int> run_and_wait(const std::vector<std::string>& words) {
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (words.empty() || posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0)
    return std::nullopt;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return std::nullopt;
  return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
}

std::vector<std::string> command_line(int argc, char** argv) {
  return {argv, argv + argc};
}

void utf8_console() {}
void binary_standard_output() {}

}  // namespace kal::host
