// What a still screen costs: a frame window painted once, then the programs' polling loop (or
// a GetMessageA loop) for some seconds on the real window; prints the process's CPU time as a
// share of one core. Run under a display, e.g.
//   xvfb-run -a build/bench/idle_loop_bench 10 peek
#include <windows.h>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

double cpuSeconds()
{
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

LRESULT CALLBACK paintOnce(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_PAINT) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    RECT r;
    GetClientRect(window, &r);
    HBRUSH brush = CreateSolidBrush(RGB(40, 90, 160));
    FillRect(dc, &r, brush);
    DeleteObject(brush);
    EndPaint(window, &ps);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv)
{
  const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 10;
  const bool waiting = argc > 2 && std::strcmp(argv[2], "get") == 0;
  WNDCLASSA wc{};
  wc.lpfnWndProc = paintOnce;
  wc.lpszClassName = "IdleBench";
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(0, "IdleBench", "Idle bench", WS_POPUP | WS_VISIBLE, 0, 0, 640, 480,
                               nullptr, nullptr, nullptr, nullptr);
  if (frame == nullptr) return 1;
  // Let the picture come up before measuring.
  MSG msg;
  const DWORD settle = timeGetTime();
  while (timeGetTime() - settle < 500)
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
      DispatchMessageA(&msg);

  const double cpuStart = cpuSeconds();
  const auto wallStart = std::chrono::steady_clock::now();
  const auto end = wallStart + std::chrono::seconds(seconds);
  long passes = 0;
  DWORD lastTick = timeGetTime();
  long ticks = 0;
  while (std::chrono::steady_clock::now() < end) {
    if (waiting) {
      if (GetMessageA(&msg, nullptr, 0, 0)) DispatchMessageA(&msg);
    } else {
      while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessageA(&msg);
    }
    // The tasks of a pass: a 100 ms tick that finds nothing to draw.
    if (timeGetTime() - lastTick >= 100) {
      lastTick += 100;
      ++ticks;
    }
    ++passes;
  }
  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
  const double cpu = cpuSeconds() - cpuStart;
  std::printf("%s loop, still screen: %.2f%% of one core over %.1f s (%ld passes, %ld ticks)\n",
              waiting ? "GetMessageA" : "PeekMessageA", 100.0 * cpu / wall, wall, passes, ticks);
  return 0;
}
