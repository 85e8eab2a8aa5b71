// The header logo's container, read chunk by chunk: the program embeds the file as it is, so its
// format is checked here rather than trusted to the drawing script.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/test_files.hpp"

namespace {

struct Chunk {
  std::string type;
  std::string data;
};

std::uint32_t be32(std::string_view bytes, std::size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at])) << 24 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 2])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 3]));
}

// Splits a PNG into its chunks; fails the test on a bad signature, a short chunk, a CRC that
// does not match, or bytes after IEND.
std::vector<Chunk> read_chunks(std::string_view png) {
  std::vector<Chunk> chunks;
  if (png.substr(0, 8) != std::string_view("\x89PNG\r\n\x1a\n", 8)) {
    ADD_FAILURE() << "not a PNG signature";
    return chunks;
  }
  std::size_t at = 8;
  while (at < png.size()) {
    if (png.size() - at < 12) {
      ADD_FAILURE() << "truncated chunk at " << at;
      break;
    }
    const std::uint32_t length = be32(png, at);
    if (png.size() - at - 12 < length) {
      ADD_FAILURE() << "chunk at " << at << " runs past the end";
      break;
    }
    const std::string_view type_and_data = png.substr(at + 4, 4 + length);
    const auto crc = static_cast<std::uint32_t>(
        crc32(0, reinterpret_cast<const Bytef*>(type_and_data.data()), static_cast<uInt>(type_and_data.size())));
    EXPECT_EQ(be32(png, at + 8 + length), crc) << "CRC of the chunk at " << at;
    chunks.push_back({std::string(type_and_data.substr(0, 4)), std::string(type_and_data.substr(4))});
    at += 12 + length;
    if (chunks.back().type == "IEND") break;
  }
  EXPECT_EQ(at, png.size()) << "bytes after IEND";
  return chunks;
}

std::string inflate_all(std::string_view stream) {
  z_stream z{};
  EXPECT_EQ(inflateInit(&z), Z_OK);
  std::string out;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  int status = Z_OK;
  while (status == Z_OK) {
    char buffer[16384];
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    status = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  EXPECT_EQ(status, Z_STREAM_END);
  EXPECT_EQ(z.avail_in, 0u) << "data after the end of the zlib stream";
  inflateEnd(&z);
  return out;
}

int paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Undoes the five PNG row filters; bpp is the bytes per pixel.
std::vector<std::uint8_t> unfilter(std::string_view raw, std::size_t stride, std::size_t rows, std::size_t bpp) {
  std::vector<std::uint8_t> pixels(stride * rows);
  for (std::size_t y = 0; y < rows; ++y) {
    const auto filter = static_cast<unsigned char>(raw[y * (stride + 1)]);
    EXPECT_LE(filter, 4u) << "row " << y;
    for (std::size_t x = 0; x < stride; ++x) {
      const int value = static_cast<unsigned char>(raw[y * (stride + 1) + 1 + x]);
      const int a = x >= bpp ? pixels[y * stride + x - bpp] : 0;
      const int b = y > 0 ? pixels[(y - 1) * stride + x] : 0;
      const int c = x >= bpp && y > 0 ? pixels[(y - 1) * stride + x - bpp] : 0;
      const int predictor = filter == 1   ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? paeth(a, b, c)
                                          : 0;
      pixels[y * stride + x] = static_cast<std::uint8_t>(value + predictor);
    }
  }
  return pixels;
}

class Logo : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { chunks_ = read_chunks(bq::test::read_source_file("ui/logo.png")); }
  static inline std::vector<Chunk> chunks_;

  static std::vector<const Chunk*> all(std::string_view type) {
    std::vector<const Chunk*> found;
    for (const Chunk& c : chunks_)
      if (c.type == type) found.push_back(&c);
    return found;
  }
};

TEST_F(Logo, HeaderIs360By142Rgba8NotInterlaced) {
  ASSERT_FALSE(chunks_.empty());
  ASSERT_EQ(chunks_.front().type, "IHDR");
  const std::string& ihdr = chunks_.front().data;
  ASSERT_EQ(ihdr.size(), 13u);
  EXPECT_EQ(be32(ihdr, 0), 360u);
  EXPECT_EQ(be32(ihdr, 4), 142u);
  EXPECT_EQ(ihdr.substr(8), std::string("\x08\x06\x00\x00\x00", 5)) << "depth 8, RGBA, deflate, filters, no interlace";
  EXPECT_EQ(chunks_.back().type, "IEND");
  EXPECT_EQ(all("IHDR").size(), 1u);
  EXPECT_EQ(all("IEND").size(), 1u);
}

TEST_F(Logo, CarriesSrgbExifAndPhysicalSizeBeforeTheImageData) {
  std::size_t first_idat = chunks_.size();
  for (std::size_t i = 0; i < chunks_.size(); ++i)
    if (chunks_[i].type == "IDAT" && first_idat == chunks_.size()) first_idat = i;
  for (const char* type : {"sRGB", "eXIf", "pHYs"}) {
    const auto found = all(type);
    ASSERT_EQ(found.size(), 1u) << type;
    EXPECT_LT(found.front() - chunks_.data(), static_cast<std::ptrdiff_t>(first_idat)) << type;
  }
  const std::string& srgb = all("sRGB").front()->data;
  ASSERT_EQ(srgb.size(), 1u);
  EXPECT_LE(static_cast<unsigned char>(srgb[0]), 3u) << "rendering intent";

  const std::string& phys = all("pHYs").front()->data;
  ASSERT_EQ(phys.size(), 9u);
  EXPECT_EQ(be32(phys, 0), 2835u);
  EXPECT_EQ(be32(phys, 4), 2835u);
  EXPECT_EQ(phys[8], 1) << "unit: metre";

  const std::string& exif = all("eXIf").front()->data;
  ASSERT_GE(exif.size(), 8u);
  const std::string_view order = std::string_view(exif).substr(0, 4);
  EXPECT_TRUE(order == std::string_view("MM\0*", 4) || order == std::string_view("II*\0", 4)) << "TIFF header";
}

TEST_F(Logo, ImageDataIsThreeAdjacentIdatChunksOfWholeRows) {
  std::vector<std::size_t> positions;
  std::string stream;
  for (std::size_t i = 0; i < chunks_.size(); ++i) {
    if (chunks_[i].type != "IDAT") continue;
    positions.push_back(i);
    EXPECT_FALSE(chunks_[i].data.empty()) << "IDAT " << positions.size();
    stream += chunks_[i].data;
  }
  ASSERT_EQ(positions.size(), 3u);
  EXPECT_EQ(positions[1], positions[0] + 1);
  EXPECT_EQ(positions[2], positions[1] + 1);

  constexpr std::size_t stride = 360 * 4, rows = 142;
  const std::string raw = inflate_all(stream);
  ASSERT_EQ(raw.size(), rows * (stride + 1));
  const std::vector<std::uint8_t> pixels = unfilter(raw, stride, rows, 4);
  std::size_t opaque = 0, clear = 0;
  for (std::size_t i = 3; i < pixels.size(); i += 4) {
    if (pixels[i] == 255) ++opaque;
    if (pixels[i] == 0) ++clear;
  }
  // A wordmark on a clear ground: plenty of both.
  EXPECT_GT(opaque, rows * 360 / 10);
  EXPECT_GT(clear, rows * 360 / 10);
}

}  // namespace
