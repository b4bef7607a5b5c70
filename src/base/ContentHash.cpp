#include "base/ContentHash.h"

#include <QtEndian>
#include <algorithm>
#include <cstring>

namespace qv {

namespace {

constexpr quint64 kPrime1 = 0x9E3779B185EBCA87ULL;
constexpr quint64 kPrime2 = 0xC2B2AE3D27D4EB4FULL;
constexpr quint64 kPrime3 = 0x165667B19E3779F9ULL;
constexpr quint64 kPrime4 = 0x85EBCA77C2B2AE63ULL;
constexpr quint64 kPrime5 = 0x27D4EB2F165667C5ULL;
constexpr qint64 kStripe = 32;

constexpr quint64 rotateLeft(quint64 value, int bits) { return (value << bits) | (value >> (64 - bits)); }

// Little-endian reads, as the hash is defined.
quint64 read64(const char* at) {
  quint64 value;
  std::memcpy(&value, at, sizeof value);
  return qFromLittleEndian(value);
}
quint32 read32(const char* at) {
  quint32 value;
  std::memcpy(&value, at, sizeof value);
  return qFromLittleEndian(value);
}

quint64 round(quint64 lane, quint64 input) { return rotateLeft(lane + input * kPrime2, 31) * kPrime1; }

quint64 mergeLane(quint64 hash, quint64 lane) { return (hash ^ round(0, lane)) * kPrime1 + kPrime4; }

void consumeStripes(std::array<quint64, 4>& lanes, const char* data, qint64 stripes) {
  quint64 a = lanes[0], b = lanes[1], c = lanes[2], d = lanes[3];
  for (qint64 i = 0; i < stripes; ++i, data += kStripe) {
    a = round(a, read64(data));
    b = round(b, read64(data + 8));
    c = round(c, read64(data + 16));
    d = round(d, read64(data + 24));
  }
  lanes = {a, b, c, d};
}

}  // namespace

ContentHash::ContentHash() : lanes_{kPrime1 + kPrime2, kPrime2, 0, 0 - kPrime1} {}

void ContentHash::add(QByteArrayView bytes) {
  const char* data = bytes.data();
  qint64 size = bytes.size();
  total_ += size;
  if (pendingSize_ > 0) {
    const qint64 take = std::min(size, kStripe - pendingSize_);
    std::memcpy(pending_.data() + pendingSize_, data, size_t(take));
    pendingSize_ += take;
    data += take;
    size -= take;
    if (pendingSize_ < kStripe) return;
    consumeStripes(lanes_, pending_.data(), 1);
    pendingSize_ = 0;
  }
  const qint64 stripes = size / kStripe;
  consumeStripes(lanes_, data, stripes);
  data += stripes * kStripe;
  size -= stripes * kStripe;
  std::memcpy(pending_.data(), data, size_t(size));
  pendingSize_ = size;
}

quint64 ContentHash::result() const {
  quint64 hash;
  if (total_ >= kStripe) {
    hash = rotateLeft(lanes_[0], 1) + rotateLeft(lanes_[1], 7) + rotateLeft(lanes_[2], 12) + rotateLeft(lanes_[3], 18);
    for (const quint64 lane : lanes_) hash = mergeLane(hash, lane);
  } else {
    hash = kPrime5;
  }
  hash += quint64(total_);
  const char* rest = pending_.data();
  qint64 left = pendingSize_;
  for (; left >= 8; left -= 8, rest += 8) hash = rotateLeft(hash ^ round(0, read64(rest)), 27) * kPrime1 + kPrime4;
  if (left >= 4) {
    hash = rotateLeft(hash ^ (quint64(read32(rest)) * kPrime1), 23) * kPrime2 + kPrime3;
    left -= 4;
    rest += 4;
  }
  for (; left > 0; --left, ++rest) hash = rotateLeft(hash ^ (quint64(uchar(*rest)) * kPrime5), 11) * kPrime1;
  hash ^= hash >> 33;
  hash *= kPrime2;
  hash ^= hash >> 29;
  hash *= kPrime3;
  hash ^= hash >> 32;
  return hash;
}

quint64 ContentHash::of(QByteArrayView bytes) {
  ContentHash hash;
  hash.add(bytes);
  return hash.result();
}

}  // namespace qv
