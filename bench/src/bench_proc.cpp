#include "bench_proc.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

std::string readFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

long benchStatTicks(const char* stat) {
  // The command name may hold blanks and parentheses: the fields start after the last ')'.
  const char* after = std::strrchr(stat, ')');
  if (after == nullptr) return -1;
  std::istringstream fields(after + 1);
  std::string field;
  // After the name: state (3), ..., utime (14), stime (15).
  for (int number = 3; number < 14 && (fields >> field); ++number) {
  }
  long user = -1, system = -1;
  if (!(fields >> user >> system) || user < 0 || system < 0) return -1;
  return user + system;
}

double benchCpuSeconds(pid_t pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  const long ticks = benchStatTicks(stat.c_str());
  return ticks < 0 ? -1 : double(ticks) / double(sysconf(_SC_CLK_TCK));
}

double benchRunSeconds(pid_t pid) {
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task/";
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(opendir(tasks.c_str()), closedir);
  if (!dir) return -1;
  double total = 0;
  while (const dirent* task = readdir(dir.get())) {
    if (task->d_name[0] != '.')
      total += std::atof(readFile(tasks + task->d_name + "/schedstat").c_str()) / 1e9;
  }
  return total;
}

bool benchProcessEnded(pid_t pid) {
  const std::string stat = readFile("/proc/" + std::to_string(pid) + "/stat");
  // The state follows the name and a blank; no file, no process.
  const size_t name = stat.rfind(')');
  if (name == std::string::npos || name + 2 >= stat.size()) return true;
  return stat[name + 2] == 'Z' || stat[name + 2] == 'X';
}

long benchProcKib(pid_t pid, const char* file, const char* field) {
  std::istringstream text(readFile("/proc/" + std::to_string(pid) + "/" + file));
  const std::string name = std::string(field) + ":";
  for (std::string line; std::getline(text, line);) {
    if (line.rfind(name, 0) == 0) return std::strtol(line.c_str() + name.size(), nullptr, 10);
  }
  return -1;
}

long benchRssKib(pid_t pid) {
  return benchProcKib(pid, "status", "VmRSS");
}
