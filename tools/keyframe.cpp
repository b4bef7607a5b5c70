// Types keys into whatever window has the keyboard focus, as the X server's test extension does
// for a real keyboard, and times each key to the frames it causes, as the X server reports the
// drawing in the watched window (or anywhere on the screen): for the speed of typing in the real
// windows, with no hook in the program. Prints one line per key:
//   key <name> first <ms> content <ms> settled <ms> flushes <n> pixels <n>
// first: the first drawing after the key's press; content: the first flush of 20,000 pixels or
// more (a list that changed, not only the field's echo); settled: the last drawing before the
// window rested; -1 for none within the time limit. A small rectangle drawn also while the window
// rested before the key (a blinking caret) is not taken for the key's first frame.
// Usage: keyframe [--window <id>] [--quiet <ms>] [--timeout <ms>] [--pause <ms>] [--verbose] <key>...
//   <key>: one character (a letter, digit or space), or BackSpace, Escape, Return.
//   --window  the window to watch (decimal or 0x hex); the whole screen by default
//   --quiet   how long nothing may be drawn for the window to count as resting (default 150)
//   --timeout the longest wait for a key's frames (default 3000)
//   --pause   a rest before each key, after the window rests (default 300)
//   --verbose every drawing after a key, with its time and rectangle
#include <X11/extensions/damagewire.h>
#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xcbext.h>
#include <xcb/xtest.h>

#include <poll.h>
#include <sys/uio.h>
#include <time.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

xcb_extension_t damageExtension = {DAMAGE_NAME, 0};

struct DamageQueryVersion {
  uint8_t majorOpcode, minorOpcode;
  uint16_t length;
  uint32_t major, minor;
};
struct DamageCreate {
  uint8_t majorOpcode, minorOpcode;
  uint16_t length;
  uint32_t damage, drawable;
  uint8_t level, pad[3];
};
struct DamageNotify {
  uint8_t responseType, level;
  uint16_t sequence;
  uint32_t drawable, damage, timestamp;
  int16_t x, y;
  uint16_t width, height;
};

template <typename Request>
unsigned sendDamageRequest(xcb_connection_t* connection, Request request, uint8_t opcode, bool isVoid) {
  const xcb_protocol_request_t about = {1, &damageExtension, opcode, uint8_t(isVoid)};
  iovec parts[4] = {};
  parts[2].iov_base = &request;
  parts[2].iov_len = sizeof request;
  return xcb_send_request(connection, isVoid ? 0 : XCB_REQUEST_CHECKED, parts + 2, &about);
}

double nowMs() {
  timespec at{};
  clock_gettime(CLOCK_MONOTONIC, &at);
  return double(at.tv_sec) * 1e3 + double(at.tv_nsec) / 1e6;
}

xcb_keysym_t keysymOf(const std::string& name) {
  if (name.size() == 1) return xcb_keysym_t(static_cast<unsigned char>(name[0]));
  if (name == "space") return 0x20;
  if (name == "BackSpace") return 0xff08;
  if (name == "Escape") return 0xff1b;
  if (name == "Return") return 0xff0d;
  return 0;
}

struct Rect {
  int16_t x, y;
  uint16_t width, height;
  bool operator==(const Rect&) const = default;
};

// A flush of this many pixels or more shows more than a field's echo of the key (a list changed).
constexpr long kContentPixels = 20'000;

struct Frames {
  double first = -1, last = -1;
  double content = -1;  // the first flush of kContentPixels or more
  int flushes = 0;
  long pixels = 0;
  std::vector<Rect> seen;  // every rectangle drawn
};

class Watch {
 public:
  Watch(xcb_connection_t* connection, uint8_t damageEvent, bool verbose)
      : connection_(connection), damageEvent_(damageEvent), verbose_(verbose) {}

  // Waits for damage until none came for `quietMs` or `timeoutMs` passed; times relative to `since`.
  // A small rectangle in `blinking` (a caret's, drawn while nothing else changed) does not count
  // as the first frame.
  Frames collect(double since, double quietMs, double timeoutMs, const std::vector<Rect>& blinking = {}) {
    Frames frames;
    double lastEvent = since;
    double flushStart = 0;
    long flushPixels = 0;
    const int fd = xcb_get_file_descriptor(connection_);
    for (;;) {
      while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
        if ((event->response_type & 0x7f) == damageEvent_) {
          const auto* notify = reinterpret_cast<const DamageNotify*>(event);
          const double at = nowMs();
          const Rect rect{notify->x, notify->y, notify->width, notify->height};
          const bool blink = long(rect.width) * rect.height < 1000 &&
                             std::find(blinking.begin(), blinking.end(), rect) != blinking.end();
          if (frames.first < 0 && !blink) frames.first = at - since;
          frames.seen.push_back(rect);
          // Drawings less than 2 ms apart are one flush of the window's frame.
          if (frames.last < 0 || at - since - frames.last > 2) {
            ++frames.flushes;
            flushStart = at - since;
            flushPixels = 0;
          }
          flushPixels += long(notify->width) * notify->height;
          if (frames.content < 0 && flushPixels >= kContentPixels) frames.content = flushStart;
          frames.last = at - since;
          frames.pixels += long(notify->width) * notify->height;
          if (verbose_)
            std::printf("  %.1f ms: %dx%d at %d,%d\n", at - since, notify->width, notify->height, notify->x, notify->y);
          lastEvent = at;
        }
        free(event);
      }
      if (xcb_connection_has_error(connection_)) return frames;
      const double now = nowMs();
      if (now - lastEvent >= quietMs || now - since >= timeoutMs) return frames;
      pollfd readable{fd, POLLIN, 0};
      poll(&readable, 1, 1);
    }
  }

 private:
  xcb_connection_t* connection_;
  uint8_t damageEvent_;
  bool verbose_;
};

}  // namespace

int main(int argc, char** argv) {
  uint32_t window = 0;
  double quietMs = 150, timeoutMs = 3000, pauseMs = 300;
  bool verbose = false;
  std::vector<std::string> keys;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--window" && hasValue) window = uint32_t(std::strtoul(argv[++i], nullptr, 0));
    else if (arg == "--quiet" && hasValue) quietMs = std::atof(argv[++i]);
    else if (arg == "--timeout" && hasValue) timeoutMs = std::atof(argv[++i]);
    else if (arg == "--pause" && hasValue) pauseMs = std::atof(argv[++i]);
    else if (arg == "--verbose") verbose = true;
    else keys.push_back(arg);
  }
  if (keys.empty()) {
    std::fprintf(stderr, "usage: keyframe [--window id] [--quiet ms] [--timeout ms] [--pause ms] key...\n");
    return 2;
  }
  int screenNumber = 0;
  xcb_connection_t* connection = xcb_connect(nullptr, &screenNumber);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "keyframe: no X display\n");
    return 1;
  }
  xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
  for (int k = 0; k < screenNumber; ++k) xcb_screen_next(&screens);
  if (!window) window = screens.data->root;

  const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection, &damageExtension);
  if (!damage || !damage->present) {
    std::fprintf(stderr, "keyframe: the X server has no DAMAGE extension\n");
    return 1;
  }
  // The version must be asked before the extension may be used.
  const unsigned asked = sendDamageRequest(connection,
                                           DamageQueryVersion{0, X_DamageQueryVersion, 0, DAMAGE_MAJOR, DAMAGE_MINOR},
                                           X_DamageQueryVersion, false);
  xcb_generic_error_t* error = nullptr;
  free(xcb_wait_for_reply(connection, asked, &error));
  if (error) {
    std::fprintf(stderr, "keyframe: DAMAGE version query failed\n");
    return 1;
  }
  sendDamageRequest(
      connection,
      DamageCreate{0, X_DamageCreate, 0, xcb_generate_id(connection), window, XDamageReportRawRectangles, {}},
      X_DamageCreate, true);
  xcb_flush(connection);

  xcb_key_symbols_t* symbols = xcb_key_symbols_alloc(connection);
  Watch watch(connection, uint8_t(damage->first_event + XDamageNotify), false);
  Watch told(connection, uint8_t(damage->first_event + XDamageNotify), verbose);
  for (const std::string& key : keys) {
    const xcb_keysym_t keysym = keysymOf(key);
    xcb_keycode_t* codes = keysym ? xcb_key_symbols_get_keycode(symbols, keysym) : nullptr;
    if (!codes || codes[0] == XCB_NO_SYMBOL) {
      std::fprintf(stderr, "keyframe: no key for \"%s\"\n", key.c_str());
      free(codes);
      return 2;
    }
    const xcb_keycode_t code = codes[0];
    free(codes);
    // The window rests first, then a pause as between a typist's keys; what it draws meanwhile
    // (a blinking caret) is not taken for the key's frame.
    std::vector<Rect> blinking = watch.collect(nowMs(), quietMs, timeoutMs).seen;
    const std::vector<Rect> paused = watch.collect(nowMs(), pauseMs, pauseMs).seen;
    blinking.insert(blinking.end(), paused.begin(), paused.end());
    const double pressed = nowMs();
    xcb_test_fake_input(connection, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_test_fake_input(connection, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    xcb_flush(connection);
    const Frames frames = told.collect(pressed, quietMs, timeoutMs, blinking);
    std::printf("key %s first %.1f content %.1f settled %.1f flushes %d pixels %ld\n", key.c_str(), frames.first,
                frames.content, frames.last, frames.flushes, frames.pixels);
    std::fflush(stdout);
  }
  xcb_key_symbols_free(symbols);
  xcb_disconnect(connection);
  return 0;
}
