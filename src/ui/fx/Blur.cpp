#include "ui/fx/Blur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace qv::Fx {

double sigmaForRadius(double radius) { return std::max(0.0, radius) / 2.0; }

double blurMargin(double radius) { return std::ceil(3.0 * sigmaForRadius(radius)); }

namespace {

// Above this sigma (device pixels) the image is halved before blurring.
constexpr double kMaxFullScaleSigma = 6.0;
constexpr double kMaxFullScaleSigmaCoarse = 1.5;

// Three box blurs approximate a Gaussian (central limit); the box widths are chosen so that
// their combined variance equals sigma².
std::array<int, 3> boxRadiiForSigma(double sigma) {
  constexpr int n = 3;
  const double wIdeal = std::sqrt(12.0 * sigma * sigma / n + 1.0);
  int wl = int(std::floor(wIdeal));
  if (wl % 2 == 0) --wl;
  const int wu = wl + 2;
  const double mIdeal = (12.0 * sigma * sigma - n * wl * wl - 4.0 * n * wl - 3.0 * n) / (-4.0 * wl - 4.0);
  const int m = int(std::lround(mIdeal));
  std::array<int, 3> radii{};
  for (int i = 0; i < n; ++i) radii[i] = ((i < m ? wl : wu) - 1) / 2;
  return radii;
}

// Float buffers kept between blurs on a thread: an entering card is blurred again on every frame
// of its transition, and fresh buffers of that size would be faulted in page by page each time.
// Only buffers up to kKeptFloats are kept, so that a blur of a whole window leaves nothing behind.
class FloatBuffers {
 public:
  static constexpr size_t kKeptFloats = size_t(1) << 20;  // 4 MB
  static constexpr size_t kKept = 4;

  std::vector<float> take(size_t size) {
    std::vector<float> buffer;
    if (!free_.empty()) {
      buffer = std::move(free_.back());
      free_.pop_back();
    }
    buffer.resize(size);
    return buffer;
  }
  void give(std::vector<float>&& buffer) {
    if (buffer.capacity() > 0 && buffer.capacity() <= kKeptFloats && free_.size() < kKept)
      free_.push_back(std::move(buffer));
  }

 private:
  std::vector<std::vector<float>> free_;
};

FloatBuffers& floatBuffers() {
  thread_local FloatBuffers buffers;
  return buffers;
}

// Four premultiplied float channels per pixel, in a buffer borrowed from the thread's buffers.
struct FloatImage {
  FloatImage(int width, int height) : w(width), h(height), px(floatBuffers().take(size_t(w) * size_t(h) * 4)) {}
  FloatImage(FloatImage&& other) noexcept = default;
  FloatImage& operator=(FloatImage&& other) noexcept {
    floatBuffers().give(std::move(px));
    w = other.w;
    h = other.h;
    px = std::move(other.px);
    return *this;
  }
  FloatImage(const FloatImage&) = delete;
  FloatImage& operator=(const FloatImage&) = delete;
  ~FloatImage() { floatBuffers().give(std::move(px)); }
  float* at(int x, int y) { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
  const float* at(int x, int y) const { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }

  int w = 0, h = 0;
  std::vector<float> px;
};

// The four channels of a pixel as one value: the passes add whole pixels at a time, in the same
// order per channel as one channel at a time would.
struct Pixel {
#if defined(__SSE2__)
  __m128 v;
  static Pixel load(const float* p) { return {_mm_loadu_ps(p)}; }
  static Pixel zero() { return {_mm_setzero_ps()}; }
  void store(float* p) const { _mm_storeu_ps(p, v); }
  Pixel operator+(Pixel o) const { return {_mm_add_ps(v, o.v)}; }
  Pixel operator-(Pixel o) const { return {_mm_sub_ps(v, o.v)}; }
  Pixel operator*(float s) const { return {_mm_mul_ps(v, _mm_set1_ps(s))}; }
#else
  std::array<float, 4> v;
  static Pixel load(const float* p) { return {{p[0], p[1], p[2], p[3]}}; }
  static Pixel zero() { return {{0, 0, 0, 0}}; }
  void store(float* p) const { std::memcpy(p, v.data(), sizeof v); }
  Pixel operator+(Pixel o) const { return {{v[0] + o.v[0], v[1] + o.v[1], v[2] + o.v[2], v[3] + o.v[3]}}; }
  Pixel operator-(Pixel o) const { return {{v[0] - o.v[0], v[1] - o.v[1], v[2] - o.v[2], v[3] - o.v[3]}}; }
  Pixel operator*(float s) const { return {{v[0] * s, v[1] * s, v[2] * s, v[3] * s}}; }
#endif
};

// A box pass along every row, in place. Floats keep the faint tails that integer rounding would
// eat, so the blur keeps the image's mean. Each row is copied with what lies beyond its ends
// (nothing, or its end pixels repeated) on either side, so that the running sum needs no test.
void boxPassRows(FloatImage& f, int radius, bool extend, std::vector<float>& line) {
  const float scale = 1.0f / float(2 * radius + 1);
  const size_t pad = size_t(radius) + 1;
  line.resize((size_t(f.w) + 2 * pad) * 4);
  float* const padded = line.data() + pad * 4;
  for (int y = 0; y < f.h; ++y) {
    float* const row = f.at(0, y);
    std::memcpy(padded, row, size_t(f.w) * 4 * sizeof(float));
    const Pixel before = extend ? Pixel::load(row) : Pixel::zero();
    const Pixel after = extend ? Pixel::load(row + size_t(f.w - 1) * 4) : Pixel::zero();
    for (size_t k = 1; k <= pad; ++k) {
      before.store(padded - k * 4);
      after.store(padded + (size_t(f.w) + k - 1) * 4);
    }
    Pixel sum = Pixel::zero();
    for (int i = -radius; i <= radius; ++i) sum = sum + Pixel::load(padded + i * 4);
    for (int i = 0; i < f.w; ++i) {
      (sum * scale).store(row + size_t(i) * 4);
      sum = sum + (Pixel::load(padded + (i + radius + 1) * 4) - Pixel::load(padded + (i - radius) * 4));
    }
  }
}

// A box pass down every column, from `from` into `to` (of the same size), a row at a time with
// one running sum per column, so that memory is read in order.
void boxPassColumns(const FloatImage& from, FloatImage& to, int radius, bool extend, std::vector<float>& sums) {
  const float scale = 1.0f / float(2 * radius + 1);
  const int w = from.w, h = from.h;
  const size_t rowFloats = size_t(w) * 4;
  // The running sums, then a row of nothing for the rows beyond the edges.
  sums.assign(2 * rowFloats, 0.f);
  const float* const none = sums.data() + rowFloats;
  const auto rowAt = [&](int y) -> const float* {
    if (y < 0) return extend ? from.at(0, 0) : none;
    if (y >= h) return extend ? from.at(0, h - 1) : none;
    return from.at(0, y);
  };
  for (int i = -radius; i <= radius; ++i) {
    const float* const row = rowAt(i);
    for (size_t k = 0; k < rowFloats; k += 4) (Pixel::load(&sums[k]) + Pixel::load(row + k)).store(&sums[k]);
  }
  for (int y = 0; y < h; ++y) {
    float* const out = to.at(0, y);
    const float* const entering = rowAt(y + radius + 1);
    const float* const leaving = rowAt(y - radius);
    for (size_t k = 0; k < rowFloats; k += 4) {
      const Pixel sum = Pixel::load(&sums[k]);
      (sum * scale).store(out + k);
      (sum + (Pixel::load(entering + k) - Pixel::load(leaving + k))).store(&sums[k]);
    }
  }
}

FloatImage toFloat(const QImage& image) {
  FloatImage f(image.width(), image.height());
  for (int y = 0; y < f.h; ++y) {
    const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
    float* out = f.at(0, y);
    for (int x = 0; x < f.w; ++x, out += 4) {
      const quint32 p = row[x];
#if defined(__SSE2__)
      const __m128i zero = _mm_setzero_si128();
      const __m128i channels = _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int(p)), zero), zero);
      _mm_storeu_ps(out, _mm_cvtepi32_ps(channels));
#else
      out[0] = float(p & 0xff);
      out[1] = float((p >> 8) & 0xff);
      out[2] = float((p >> 16) & 0xff);
      out[3] = float(p >> 24);
#endif
    }
  }
  return f;
}

// The first halving read straight from the 8-bit image, in the same order as `halved`, so that
// no full-size float copy is made.
FloatImage halvedImage(const QImage& image, bool extend) {
  const int w = image.width(), h = image.height();
  FloatImage out((w + 1) / 2, (h + 1) / 2);
  std::fill(out.px.begin(), out.px.end(), 0.f);
  for (int y = 0; y < out.h; ++y)
    for (int dy = 0; dy < 2; ++dy) {
      int sy = 2 * y + dy;
      if (sy >= h) {
        if (!extend) continue;
        sy = h - 1;
      }
      const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(sy));
      float* o = out.at(0, y);
      for (int x = 0; x < out.w; ++x, o += 4)
        for (int dx = 0; dx < 2; ++dx) {
          int sx = 2 * x + dx;
          if (sx >= w) {
            if (!extend) continue;
            sx = w - 1;
          }
          const quint32 p = row[sx];
          o[0] += float(p & 0xff) * 0.25f;
          o[1] += float((p >> 8) & 0xff) * 0.25f;
          o[2] += float((p >> 16) & 0xff) * 0.25f;
          o[3] += float(p >> 24) * 0.25f;
        }
    }
  return out;
}

// Halves the image by averaging 2 × 2 blocks (an odd last row or column counts the missing
// pixels as transparent, or as repeats when edges extend). The average keeps the mean.
FloatImage halved(const FloatImage& f, bool extend) {
  FloatImage h((f.w + 1) / 2, (f.h + 1) / 2);
  std::fill(h.px.begin(), h.px.end(), 0.f);
  for (int y = 0; y < h.h; ++y)
    for (int x = 0; x < h.w; ++x) {
      float* out = h.at(x, y);
      for (int dy = 0; dy < 2; ++dy)
        for (int dx = 0; dx < 2; ++dx) {
          int sx = 2 * x + dx, sy = 2 * y + dy;
          if (sx >= f.w || sy >= f.h) {
            if (!extend) continue;
            sx = std::min(sx, f.w - 1);
            sy = std::min(sy, f.h - 1);
          }
          const float* in = f.at(sx, sy);
          for (int c = 0; c < 4; ++c) out[c] += in[c] * 0.25f;
        }
    }
  return h;
}

// One row of premultiplied float pixels into 8-bit premultiplied ARGB.
void storeRow(quint32* row, const float* in, int width) {
  int x = 0;
#if defined(__SSE2__)
  // Four pixels at a time, as below: rounded, clamped to 0–255 by the saturating packs, and each
  // byte held to its pixel's alpha (which leaves the alpha itself as it is).
  const __m128 half = _mm_set1_ps(0.5f);
  for (; x + 4 <= width; x += 4, in += 16) {
    const auto rounded = [&](int k) { return _mm_cvttps_epi32(_mm_add_ps(_mm_loadu_ps(in + 4 * k), half)); };
    const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(rounded(0), rounded(1)),
                                           _mm_packs_epi32(rounded(2), rounded(3)));
    __m128i alpha = _mm_srli_epi32(bytes, 24);
    alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 8));
    alpha = _mm_or_si128(alpha, _mm_slli_epi32(alpha, 16));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_min_epu8(bytes, alpha));
  }
#endif
  for (; x < width; ++x, in += 4) {
    quint32 c[4];
    for (int k = 0; k < 4; ++k) c[k] = quint32(std::clamp(int(in[k] + 0.5f), 0, 255));
    // Premultiplied colour never exceeds alpha.
    for (int k = 0; k < 3; ++k) c[k] = std::min(c[k], c[3]);
    row[x] = c[0] | (c[1] << 8) | (c[2] << 16) | (c[3] << 24);
  }
}

// Bilinear enlargement by `factor` onto `image` (its size), sampling at pixel centres, row by
// row straight into the image.
void storeEnlarged(QImage& image, const FloatImage& f, int factor) {
  const int w = image.width(), h = image.height();
  auto coordinate = [&](int i, int size, int& i0, int& i1, float& t) {
    const float s = std::clamp((float(i) + 0.5f) / float(factor) - 0.5f, 0.f, float(size - 1));
    i0 = int(s);
    i1 = std::min(i0 + 1, size - 1);
    t = s - float(i0);
  };
  struct Tap {
    int i0, i1;
    float t;
  };
  std::vector<Tap> columns(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) coordinate(x, f.w, columns[size_t(x)].i0, columns[size_t(x)].i1, columns[size_t(x)].t);
  std::vector<float> top(size_t(f.w) * 4), out(size_t(w) * 4);
  for (int y = 0; y < h; ++y) {
    int y0, y1;
    float ty;
    coordinate(y, f.h, y0, y1, ty);
    // Blend the two source rows once, then only across.
    const float* r0 = f.at(0, y0);
    const float* r1 = f.at(0, y1);
    for (size_t k = 0; k < top.size(); ++k) top[k] = r0[k] + (r1[k] - r0[k]) * ty;
    for (int x = 0; x < w; ++x) {
      const Tap& tap = columns[size_t(x)];
      const float* a = &top[size_t(tap.i0) * 4];
      const float* b = &top[size_t(tap.i1) * 4];
      for (int k = 0; k < 4; ++k) out[size_t(x) * 4 + k] = a[k] + (b[k] - a[k]) * tap.t;
    }
    storeRow(reinterpret_cast<quint32*>(image.scanLine(y)), out.data(), w);
  }
}

void gaussian(FloatImage& f, double sigma, bool extend) {
  if (sigma < 0.2 || f.w <= 0 || f.h <= 0) return;
  thread_local std::vector<float> line;
  FloatImage other(f.w, f.h);
  for (int r : boxRadiiForSigma(sigma)) {
    if (r <= 0) continue;
    boxPassRows(f, r, extend, line);
    boxPassColumns(f, other, r, extend, line);
    std::swap(f.px, other.px);
  }
  if (line.capacity() > FloatBuffers::kKeptFloats) std::vector<float>().swap(line);
}

void storeInto(QImage& image, const FloatImage& f) {
  for (int y = 0; y < f.h; ++y) storeRow(reinterpret_cast<quint32*>(image.scanLine(y)), f.at(0, y), f.w);
}

}  // namespace

QImage blurred(const QImage& image, double radius, BlurEdges edges, BlurDetail detail) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const double dpr = image.devicePixelRatio();
  double sigma = sigmaForRadius(radius) * dpr;
  if (result.isNull() || sigma < 0.2) return result;
  const bool extend = edges == BlurEdges::extend;

  // Large radii: halved straight from the image, and enlarged straight back into it.
  const double fullScaleSigma = detail == BlurDetail::coarse ? kMaxFullScaleSigmaCoarse : kMaxFullScaleSigma;
  const bool reduce = sigma > fullScaleSigma && result.width() > 8 && result.height() > 8;
  FloatImage work = reduce ? halvedImage(result, extend) : toFloat(result);
  int factor = reduce ? 2 : 1;
  if (reduce) sigma /= 2;
  while (sigma > fullScaleSigma && work.w > 8 && work.h > 8) {
    work = halved(work, extend);
    sigma /= 2;
    factor *= 2;
  }
  gaussian(work, sigma, extend);
  result.detach();
  if (factor > 1) storeEnlarged(result, work, factor);
  else storeInto(result, work);
  result.setDevicePixelRatio(dpr);
  return result;
}

}  // namespace qv::Fx
