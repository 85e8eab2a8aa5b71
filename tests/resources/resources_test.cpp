// The Windows resources, checked where they are built: the manifest as XML with its settings,
// and the icon file's directory and images. (That the resource script compiles is the
// resources_windres test.)
#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "common/test_files.hpp"

namespace {

using Document = std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)>;

// Parses a complete XML text strictly: no network, no entity loading, no recovery. Null when
// the text is not well-formed.
Document parse_xml(std::string_view text) {
  xmlDoc* doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "app.manifest", nullptr,
                              XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
  return Document(doc, &xmlFreeDoc);
}

// The string value of an XPath expression over the manifest's namespaces.
std::string xpath_string(xmlDoc* doc, const char* expression) {
  std::unique_ptr<xmlXPathContext, decltype(&xmlXPathFreeContext)> context(xmlXPathNewContext(doc),
                                                                           &xmlXPathFreeContext);
  const std::pair<const char*, const char*> namespaces[] = {
      {"v1", "urn:schemas-microsoft-com:asm.v1"},
      {"v3", "urn:schemas-microsoft-com:asm.v3"},
      {"compat", "urn:schemas-microsoft-com:compatibility.v1"},
      {"ws2005", "http://schemas.microsoft.com/SMI/2005/WindowsSettings"},
      {"ws2016", "http://schemas.microsoft.com/SMI/2016/WindowsSettings"},
  };
  for (const auto& [prefix, uri] : namespaces)
    xmlXPathRegisterNs(context.get(), reinterpret_cast<const xmlChar*>(prefix), reinterpret_cast<const xmlChar*>(uri));
  std::unique_ptr<xmlXPathObject, decltype(&xmlXPathFreeObject)> result(
      xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(expression), context.get()), &xmlXPathFreeObject);
  if (!result) return "(bad expression)";
  xmlChar* value = xmlXPathCastToString(result.get());
  std::string text(reinterpret_cast<const char*>(value));
  xmlFree(value);
  return text;
}

TEST(XmlCheck, RejectsTextThatIsNotWellFormed) {
  EXPECT_TRUE(parse_xml("<a><b/></a>"));
  EXPECT_FALSE(parse_xml("<a><b></a>"));
  EXPECT_FALSE(parse_xml("<a x=\"1\" x=\"2\"/>"));
  EXPECT_FALSE(parse_xml("<a/><b/>"));
}

class Manifest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { doc_ = parse_xml(bq::test::read_source_file("resources/app.manifest")); }
  static void TearDownTestSuite() { doc_.reset(); }
  static inline Document doc_{nullptr, &xmlFreeDoc};
};

TEST_F(Manifest, IsWellFormedXml) { ASSERT_TRUE(doc_); }

TEST_F(Manifest, StatesTheProgramsSettings) {
  ASSERT_TRUE(doc_);
  struct Case {
    const char* expression;
    const char* value;
  };
  const Case cases[] = {
      {"string(/v1:assembly/@manifestVersion)", "1.0"},
      {"string(/v1:assembly/v1:assemblyIdentity/@version)", "1.0.0.0"},
      {"string(/v1:assembly/v1:assemblyIdentity/@type)", "win32"},
      {"string(/v1:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel/@level)",
       "requireAdministrator"},
      {"string(/v1:assembly/v3:trustInfo/v3:security/v3:requestedPrivileges/v3:requestedExecutionLevel/@uiAccess)",
       "false"},
      {"string(/v1:assembly/v3:application/v3:windowsSettings/ws2005:dpiAware)", "true/pm"},
      {"string(/v1:assembly/v3:application/v3:windowsSettings/ws2016:dpiAwareness)", "PerMonitorV2"},
      {"string(count(//v3:requestedExecutionLevel))", "1"},
      {"string(count(/v1:assembly/compat:compatibility/compat:application/compat:supportedOS))", "2"},
      // Windows 10 (and 11)
      {"string(count(//compat:supportedOS[@Id='{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}']))", "1"},
      // Windows 8.1
      {"string(count(//compat:supportedOS[@Id='{1f676c76-80e1-4239-95bb-83d0f6d0da78}']))", "1"},
  };
  for (const Case& c : cases) EXPECT_EQ(xpath_string(doc_.get(), c.expression), c.value) << c.expression;
}

std::uint32_t le(std::string_view bytes, std::size_t at, int width) {
  std::uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

std::uint32_t be32(std::string_view bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

TEST(Icon, HoldsFiveSquareImagesOf16To256Pixels) {
  const std::string ico = bq::test::read_source_file("resources/app.ico");
  ASSERT_GE(ico.size(), 6u);
  EXPECT_EQ(le(ico, 0, 2), 0u);
  EXPECT_EQ(le(ico, 2, 2), 1u) << "type: icon";
  const std::uint32_t count = le(ico, 4, 2);
  ASSERT_EQ(count, 5u);
  ASSERT_GE(ico.size(), 6 + 16 * count);

  std::set<std::uint32_t> sizes;
  std::size_t next_free = 6 + 16 * count;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i;
    const std::uint32_t width = le(ico, entry, 1) == 0 ? 256 : le(ico, entry, 1);
    const std::uint32_t height = le(ico, entry + 1, 1) == 0 ? 256 : le(ico, entry + 1, 1);
    const std::uint32_t bytes = le(ico, entry + 8, 4);
    const std::uint32_t offset = le(ico, entry + 12, 4);
    SCOPED_TRACE("image " + std::to_string(width) + "x" + std::to_string(height));
    EXPECT_EQ(width, height);
    EXPECT_EQ(le(ico, entry + 4, 2), 1u) << "planes";
    EXPECT_EQ(le(ico, entry + 6, 2), 32u) << "bits per pixel";
    ASSERT_GE(offset, next_free) << "images overlap";
    ASSERT_LE(std::size_t{offset} + bytes, ico.size());
    next_free = offset + bytes;
    sizes.insert(width);

    // The image itself must agree with its directory entry: a PNG, or a DIB whose height
    // counts the colour and mask halves.
    const std::string_view image = std::string_view(ico).substr(offset, bytes);
    if (image.substr(0, 8) == std::string_view("\x89PNG\r\n\x1a\n", 8)) {
      ASSERT_GE(image.size(), 24u);
      EXPECT_EQ(image.substr(12, 4), "IHDR");
      EXPECT_EQ(be32(image, 16), width);
      EXPECT_EQ(be32(image, 20), height);
    } else {
      ASSERT_GE(image.size(), 40u);
      EXPECT_EQ(le(image, 0, 4), 40u) << "BITMAPINFOHEADER";
      EXPECT_EQ(le(image, 4, 4), width);
      EXPECT_EQ(le(image, 8, 4), 2 * height);
      EXPECT_EQ(le(image, 14, 2), 32u);
      const std::size_t mask_stride = (width + 31) / 32 * 4;
      EXPECT_EQ(image.size(), 40 + width * height * 4 + mask_stride * height);
    }
  }
  EXPECT_EQ(sizes, (std::set<std::uint32_t>{16, 32, 48, 64, 256}));
}

}  // namespace
