#include "ui/fx/Blur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace qv::Fx {

double sigmaForRadius(double radius) { return std::max(0.0, radius) / 2.0; }

double blurMargin(double radius) { return std::ceil(3.0 * sigmaForRadius(radius)); }

namespace {

// Above this sigma (device pixels) the image is halved before blurring.
constexpr double kMaxFullScaleSigma = 6.0;

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

// One box pass over `count` lines of `length` pixels of four float channels. `step` walks
// along a line, `lineStep` from one line to the next (both in pixels). Floats keep the faint
// tails that integer rounding would eat, so the blur keeps the image's mean.
void boxPass(float* pixels, int length, int count, qsizetype step, qsizetype lineStep, int radius, bool extend,
             std::vector<float>& line) {
  if (radius <= 0 || length <= 0) return;
  const float scale = 1.0f / float(2 * radius + 1);
  line.resize(size_t(length) * 4);
  for (int l = 0; l < count; ++l) {
    float* base = pixels + l * lineStep * 4;
    for (int i = 0; i < length; ++i) std::memcpy(&line[size_t(i) * 4], base + i * step * 4, 4 * sizeof(float));
    auto at = [&](int i) -> const float* {
      static constexpr float zero[4] = {0, 0, 0, 0};
      if (i < 0) return extend ? &line[0] : zero;
      if (i >= length) return extend ? &line[size_t(length - 1) * 4] : zero;
      return &line[size_t(i) * 4];
    };
    float sum[4] = {0, 0, 0, 0};
    for (int i = -radius; i <= radius; ++i) {
      const float* p = at(i);
      for (int c = 0; c < 4; ++c) sum[c] += p[c];
    }
    for (int i = 0; i < length; ++i) {
      float* out = base + i * step * 4;
      for (int c = 0; c < 4; ++c) out[c] = sum[c] * scale;
      const float* leaving = at(i - radius);
      const float* entering = at(i + radius + 1);
      for (int c = 0; c < 4; ++c) sum[c] += entering[c] - leaving[c];
    }
  }
}

struct FloatImage {
  int w = 0, h = 0;
  std::vector<float> px;  // four premultiplied channels per pixel
  float* at(int x, int y) { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
  const float* at(int x, int y) const { return &px[(size_t(y) * size_t(w) + size_t(x)) * 4]; }
};

FloatImage toFloat(const QImage& image) {
  FloatImage f{image.width(), image.height(), {}};
  f.px.resize(size_t(f.w) * size_t(f.h) * 4);
  for (int y = 0; y < f.h; ++y) {
    const auto* row = reinterpret_cast<const quint32*>(image.constScanLine(y));
    for (int x = 0; x < f.w; ++x) {
      const quint32 p = row[x];
      float* out = f.at(x, y);
      out[0] = float(p & 0xff);
      out[1] = float((p >> 8) & 0xff);
      out[2] = float((p >> 16) & 0xff);
      out[3] = float(p >> 24);
    }
  }
  return f;
}

// The first halving read straight from the 8-bit image, in the same order as `halved`, so that
// no full-size float copy is made.
FloatImage halvedImage(const QImage& image, bool extend) {
  const int w = image.width(), h = image.height();
  FloatImage out{(w + 1) / 2, (h + 1) / 2, {}};
  out.px.assign(size_t(out.w) * size_t(out.h) * 4, 0.f);
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
  FloatImage h{(f.w + 1) / 2, (f.h + 1) / 2, {}};
  h.px.assign(size_t(h.w) * size_t(h.h) * 4, 0.f);
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
  for (int x = 0; x < width; ++x, in += 4) {
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
  if (sigma < 0.2) return;
  std::vector<float> line;
  for (int r : boxRadiiForSigma(sigma)) {
    boxPass(f.px.data(), f.w, f.h, 1, f.w, r, extend, line);
    boxPass(f.px.data(), f.h, f.w, f.w, 1, r, extend, line);
  }
}

void storeInto(QImage& image, const FloatImage& f) {
  for (int y = 0; y < f.h; ++y) storeRow(reinterpret_cast<quint32*>(image.scanLine(y)), f.at(0, y), f.w);
}

}  // namespace

QImage blurred(const QImage& image, double radius, BlurEdges edges) {
  QImage result = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  const double dpr = image.devicePixelRatio();
  double sigma = sigmaForRadius(radius) * dpr;
  if (result.isNull() || sigma < 0.2) return result;
  const bool extend = edges == BlurEdges::extend;

  // Large radii: halved straight from the image, and enlarged straight back into it.
  const bool reduce = sigma > kMaxFullScaleSigma && result.width() > 8 && result.height() > 8;
  FloatImage work = reduce ? halvedImage(result, extend) : toFloat(result);
  int factor = reduce ? 2 : 1;
  if (reduce) sigma /= 2;
  while (sigma > kMaxFullScaleSigma && work.w > 8 && work.h > 8) {
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
