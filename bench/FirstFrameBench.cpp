// Time to the first frame: the game started on the demo, headless on the real clock, until it
// first waits for input with its first screen drawn (its input script's "snap" at 0 is
// answered then). Prints each start and the median. A plain program: run it by hand.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

// One start in a fresh work folder; the milliseconds to the snap, or -1.
double oneStart(const std::filesystem::path& work)
{
  std::filesystem::remove_all(work);
  std::filesystem::create_directories(work);
  std::filesystem::copy_file(DEMO_WORK "/korvanix.INI", work / "korvanix.INI");
  std::ofstream(work / "run.input") << "at 0 snap first\n";
  int out[2];
  if (::pipe(out) != 0) return -1;
  const auto started = std::chrono::steady_clock::now();
  const pid_t child = ::fork();
  if (child == 0) {
    ::dup2(out[1], STDOUT_FILENO);
    ::close(out[0]);
    if (::chdir(work.c_str()) != 0) ::_exit(97);
    ::setenv("OM_HOST", "headless", 1);
    ::setenv("OM_INPUT_SCRIPT", "run.input", 1);
    ::setenv("OM_DRIVE_D", DEMO_CD, 1);
    ::setenv("XDG_RUNTIME_DIR", work.c_str(), 1);
    ::unsetenv("OM_CLOCK");
    ::execl(KORVANIX_PATH, "korvanix", static_cast<char*>(nullptr));
    ::_exit(98);
  }
  ::close(out[1]);
  std::string said;
  char block[256];
  double milliseconds = -1;
  for (ssize_t got; (got = ::read(out[0], block, sizeof block)) > 0;) {
    said.append(block, static_cast<std::size_t>(got));
    if (said.find("snap first") != std::string::npos) {
      milliseconds =
          std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
              .count();
      break;
    }
  }
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  ::close(out[0]);
  return milliseconds;
}

}  // namespace

int main(int argc, char** argv)
{
  const int starts = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
  const std::filesystem::path work = std::filesystem::temp_directory_path() / "om-first-frame";
  std::vector<double> times;
  oneStart(work);  // the caches warm
  for (int i = 0; i < starts; ++i) {
    const double ms = oneStart(work);
    if (ms < 0) {
      std::fprintf(stderr, "start %d showed no frame\n", i);
      return 1;
    }
    std::printf("start %2d: %.1f ms\n", i, ms);
    times.push_back(ms);
  }
  std::filesystem::remove_all(work);
  std::sort(times.begin(), times.end());
  std::printf("median time to the first frame: %.1f ms over %d starts\n", times[times.size() / 2],
              starts);
  return 0;
}
