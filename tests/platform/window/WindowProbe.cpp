// A small program on the platform, run under a real X server by run-under-xvfb.sh: a frame
// and a child window draw a test picture with GDI and log the input they receive, and a
// 1 kHz tone plays through a ring of wave-out blocks. "window_probe check ..." then judges a
// screenshot of the display, the log and the sound the audio device wrote.
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/ToneMeter.h"
#include "tests/support/XwdShot.h"

namespace {

// The picture: four quadrants on the frame, the child in the middle.
constexpr COLORREF kQuadrants[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255),
                                    RGB(255, 255, 255)};
constexpr COLORREF kChildColor = RGB(255, 255, 0);
constexpr RECT kChildRect{200, 150, 440, 330};
constexpr int kToneRate = 11025;
constexpr int kToneHz = 1000;
constexpr int kBlockBytes = 1024;
constexpr int kRing = 6;
constexpr int kToneBlocks = 16;  // about 1.5 s
constexpr DWORD kGiveUpMs = 60000;

FILE* logFile = nullptr;
HWND child = nullptr;

void note(const char* who, const char* what, long a, long b = 0)
{
  std::fprintf(logFile, "%s %s %ld %ld\n", who, what, a, b);
  std::fflush(logFile);
}

void fill(HDC dc, RECT r, COLORREF color)
{
  HBRUSH brush = CreateSolidBrush(color);
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
  const char* who = window == child ? "child" : "frame";
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(window, &ps);
      RECT client;
      GetClientRect(window, &client);
      if (window == child) {
        fill(dc, client, kChildColor);
      } else {
        const int w = client.right / 2, h = client.bottom / 2;
        fill(dc, RECT{0, 0, w, h}, kQuadrants[0]);
        fill(dc, RECT{w, 0, client.right, h}, kQuadrants[1]);
        fill(dc, RECT{0, h, w, client.bottom}, kQuadrants[2]);
        fill(dc, RECT{w, h, client.right, client.bottom}, kQuadrants[3]);
      }
      EndPaint(window, &ps);
      note(who, "painted", 0);
      return 0;
    }
    case WM_SETFOCUS:
      if (window != child) SetFocus(child);
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      note(who, message == WM_LBUTTONDOWN ? "WM_LBUTTONDOWN" : "WM_RBUTTONDOWN",
           static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
      return 0;
    case WM_KEYDOWN:
      note(who, "WM_KEYDOWN", static_cast<long>(wParam));
      if (wParam == VK_ESCAPE) PostQuitMessage(0);
      return 0;
    case WM_CHAR:
      note(who, "WM_CHAR", static_cast<long>(wParam));
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The tone's ring: each block that comes back done is refilled with the next stretch.
struct ToneRing {
  HWAVEOUT device = nullptr;
  std::vector<std::vector<char>> blocks;
  std::vector<WAVEHDR> headers;
  int written = 0;
  long sample = 0;

  bool start()
  {
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 1, kToneRate, kToneRate, 1, 8, 0};
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
      return false;
    blocks.assign(kRing, std::vector<char>(kBlockBytes));
    headers.assign(kRing, WAVEHDR{});
    for (int i = 0; i < kRing; ++i)
      write(i);
    return true;
  }
  void write(int i)
  {
    for (char& byte : blocks[i])
      byte = static_cast<char>(
          std::lround(128 + 100 * std::sin(2 * M_PI * kToneHz * double(sample++) / kToneRate)));
    headers[i] = WAVEHDR{};
    headers[i].lpData = blocks[i].data();
    headers[i].dwBufferLength = kBlockBytes;
    waveOutPrepareHeader(device, &headers[i], sizeof(WAVEHDR));
    waveOutWrite(device, &headers[i], sizeof(WAVEHDR));
    ++written;
  }
  void refill()
  {
    for (int i = 0; i < kRing && written < kToneBlocks; ++i)
      if (__atomic_load_n(&headers[i].dwFlags, __ATOMIC_ACQUIRE) & WHDR_DONE) {
        waveOutUnprepareHeader(device, &headers[i], sizeof(WAVEHDR));
        write(i);
      }
  }
};

int run(const char* logPath)
{
  logFile = std::fopen(logPath, "w");
  if (logFile == nullptr) return 2;
  WNDCLASSA wc{};
  wc.lpfnWndProc = windowProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "ProbeWindow";
  RegisterClassA(&wc);
  HWND frame = CreateWindowExA(0, "ProbeWindow", "Probe frame", WS_POPUP | WS_VISIBLE, 0, 0, 640,
                               480, nullptr, nullptr, nullptr, nullptr);
  child = CreateWindowExA(0, "ProbeWindow", "child", WS_CHILD | WS_VISIBLE, kChildRect.left,
                          kChildRect.top, kChildRect.right - kChildRect.left,
                          kChildRect.bottom - kChildRect.top, frame, nullptr, nullptr, nullptr);
  if (frame == nullptr || child == nullptr) return 2;
  SetWindowTextA(frame, "Window probe");
  SetFocus(child);
  ToneRing tone;
  note("probe", tone.start() ? "sound" : "nosound", 0);
  // The programs' loop: poll, dispatch, run the tasks.
  const DWORD start = timeGetTime();
  for (;;) {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        note("probe", "quit", 0);
        return 0;
      }
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    tone.refill();
    if (timeGetTime() - start > kGiveUpMs) {
      note("probe", "gave-up", 0);
      return 3;
    }
  }
}

// ---- judging ----

int failures = 0;

void expect(bool ok, const std::string& what)
{
  std::printf("%s: %s\n", ok ? "ok" : "FAILED", what.c_str());
  if (!ok) ++failures;
}

std::string hex(COLORREF c)
{
  char text[16];
  std::snprintf(text, sizeof text, "%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c));
  return text;
}

// The window was made 1000x600 at the display's corner: the 640x480 picture shows as 800x600
// with bars of 100 on either side.
void judgeShot(const omtest::XwdShot& shot)
{
  constexpr int kLeft = 100;
  constexpr double kScale = 800.0 / 640.0;
  struct Point {
    const char* what;
    int x, y;
    COLORREF color;
  };
  const auto onScreen = [&](double sx, double sy) {
    return std::pair<int, int>{kLeft + static_cast<int>(sx * kScale),
                               static_cast<int>(sy * kScale)};
  };
  std::vector<Point> points = {
      {"left bar", 50, 300, RGB(0, 0, 0)},
      {"right bar", 950, 300, RGB(0, 0, 0)},
      {"just left of the picture", kLeft - 2, 150, RGB(0, 0, 0)},
      {"the picture's left edge", kLeft + 2, 150, kQuadrants[0]},
      {"the picture's right edge", kLeft + 797, 150, kQuadrants[1]},
      {"just right of the picture", kLeft + 802, 150, RGB(0, 0, 0)},
  };
  const double quarter[4][2] = {{160, 100}, {480, 100}, {160, 400}, {480, 400}};
  const char* names[4] = {"top left", "top right", "bottom left", "bottom right"};
  for (int q = 0; q < 4; ++q) {
    const auto [x, y] = onScreen(quarter[q][0], quarter[q][1]);
    points.push_back({names[q], x, y, kQuadrants[q]});
  }
  const auto [cx, cy] = onScreen(320, 240);
  points.push_back({"the child", cx, cy, kChildColor});
  const auto [ex, ey] = onScreen(kChildRect.left - 4, kChildRect.top + 4);
  points.push_back({"left of the child", ex, ey, kQuadrants[0]});
  for (const Point& p : points) {
    const auto got = shot.at(p.x, p.y);
    expect(got && *got == p.color, std::string("screenshot: ") + p.what + " at " +
                                       std::to_string(p.x) + "," + std::to_string(p.y) + " is " +
                                       hex(p.color) +
                                       (got ? " (got " + hex(*got) + ")" : " (unreadable)"));
  }
}

void judgeLog(const std::string& path)
{
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  auto has = [&](const std::string& wanted) {
    for (const std::string& line : lines)
      if (line == wanted) return true;
    return false;
  };
  auto count = [&](const std::string& part) {
    int n = 0;
    for (const std::string& line : lines)
      if (line.find(part) != std::string::npos) ++n;
    return n;
  };
  // The click at the child's middle: (320, 240) on the virtual screen.
  const long x = 320 - kChildRect.left, y = 240 - kChildRect.top;
  expect(has("child WM_LBUTTONDOWN " + std::to_string(x) + " " + std::to_string(y)),
         "the click reaches the child at " + std::to_string(x) + "," + std::to_string(y));
  expect(count("WM_LBUTTONDOWN") == 1, "the click in the bar reaches no window");
  expect(has("child WM_KEYDOWN 65 0"), "the key reaches the child as WM_KEYDOWN 'A'");
  expect(has("child WM_CHAR 97 0"), "... and as WM_CHAR 'a'");
  expect(has("probe quit 0 0"), "the program ended on Escape");
  expect(has("probe sound 0 0"), "the program opened a wave-out device");
}

void judgeSound(const std::string& path)
{
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  std::vector<std::int16_t> samples(bytes.size() / 2);
  std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
  constexpr double kRate = 44100;
  constexpr std::size_t kWindow = 11025;  // a quarter second
  // The loudest quarter second holds the tone, and nothing but the tone.
  std::size_t best = 0;
  double bestEnergy = -1;
  for (std::size_t from = 0; from + kWindow <= samples.size(); from += kWindow / 4) {
    double energy = 0;
    for (std::size_t i = from; i < from + kWindow; ++i)
      energy += double(samples[i]) * samples[i];
    if (energy > bestEnergy) {
      bestEnergy = energy;
      best = from;
    }
  }
  expect(samples.size() >= kWindow,
         "the audio device wrote " + std::to_string(samples.size()) + " samples");
  if (samples.size() < kWindow) return;
  const double meanSquare = bestEnergy / kWindow;
  const double tone = omtest::tonePower(samples, best, kWindow, kToneHz, kRate);
  const double amplitude = std::sqrt(tone * 4);
  expect(std::abs(amplitude - 100 * 256) < 100 * 256 * 0.05,
         "the tone's level is " + std::to_string(std::lround(amplitude)) + " of 25600");
  expect(tone * 2 > 0.98 * meanSquare, "the sound is the 1 kHz tone alone");
}

int check(const char* shotPath, const char* logPath, const char* soundPath)
{
  const auto shot = omtest::readXwdShot(shotPath);
  expect(shot.has_value(), "the screenshot is a readable X window dump");
  if (shot) judgeShot(*shot);
  judgeLog(logPath);
  judgeSound(soundPath);
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 5 && std::strcmp(argv[1], "check") == 0) return check(argv[2], argv[3], argv[4]);
  if (argc == 2) return run(argv[1]);
  std::fprintf(stderr, "usage: window_probe LOG | window_probe check SHOT.xwd LOG SOUND.raw\n");
  return 2;
}
