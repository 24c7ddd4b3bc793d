// The version-1 coder's protected interface, as a host's derived class sees it: the layout per
// input version, and each item codec on its slice of the golden image.
#include <gtest/gtest.h>

#include <vector>

#include "ProbeDataV1Coder.h"
#include "Support.h"

namespace {

class Codecs : public ProbeDataV1Coder {
 public:
  Codecs() : ProbeDataV1Coder(boost::shared_ptr<DataHandler>()) {}
  using ProbeDataV1Coder::getLength;
  using ProbeDataV1Coder::getOffset;
  using ProbeDataV1Coder::setFromRaw;
  using ProbeDataV1Coder::setToRaw;
  using ProbeDataV1Coder::setVersionFromRaw;
  using ProbeDataV1Coder::setVersionToRaw;

  // An item's own writer and reader in the forms without a size: the bytes written, which the
  // reader reads into out.
  std::string bare(StreamItems item, const ProbeData& in, ProbeData& out) {
    std::vector<unsigned char> raw(getLength(item), 0xEE);
    unsigned char* const at = raw.data();
    if (item == VersionItem) setVersionToRaw(at), setVersionFromRaw(at);
    if (item == RigidBodyItem) setRigidBodyToRaw(in, at), setRigidBodyFromRaw(out, at);
    if (item == DefaultDirItem) setDefaultDirToRaw(in, at), setDefaultDirFromRaw(out, at);
    if (item == MaskThicknessItem) setMaskThicknessToRaw(in, at), setMaskThicknessFromRaw(out, at);
    if (item == DataCheckItem) setDataCheckToRaw(in, at), setDataCheckFromRaw(out, at);
    return std::string(raw.begin(), raw.end());
  }
};

// Offsets and lengths of items 0 to 6, "offset+length", for the input versions whose layout is
// not the one V1Layout.h pins.
TEST(V1CodecsTest, LayoutFollowsTheInputVersion) {
  const auto layout = [](const std::string& versionBlock) {
    Codecs coder;
    std::string block = fromHex(versionBlock);
    coder.setVersionFromRaw(reinterpret_cast<unsigned char*>(&block[0]));
    std::string text;
    for (int item = 0; item <= 6; ++item) {
      const auto which = static_cast<ProbeDataV1Coder::StreamItems>(item);
      text += std::to_string(coder.getOffset(which)) + "+" +
              std::to_string(coder.getLength(which)) + " ";
    }
    return text;
  };
  // Minor 16 is not masked: version 0x10, which holds the whole layout.
  EXPECT_EQ("0+428 0+8 8+388 396+8 404+2 406+22 0+0 ", layout("51 4D 56 42 00 00 10 00"));
  EXPECT_EQ("0+328 0+8 8+320 328+0 328+0 328+0 0+0 ", layout("51 4D 56 42 00 00 01 00"));
}

// Each item written on its own gives its slice of the image written whole, and reads back; the
// forms without a size take the item's length. Given one byte less than its item needs, each
// codec refuses with its own Error and writes nothing: no codec reaches past the bytes it is given.
TEST(V1CodecsTest, ItemCodecsCodeTheirSliceAndNoMore) {
  const char* const names[] = {"",           "Version",       "RigidBody",
                               "DefaultDir", "MaskThickness", "DataCheck"};
  const std::string image = golden("probe21.bin");
  Codecs coder;
  ProbeData record;
  ASSERT_TRUE(coder.convertFromString(image, record));
  for (int item = ProbeDataV1Coder::VersionItem; item <= 6; ++item) {
    SCOPED_TRACE(item);
    const auto which = static_cast<ProbeDataV1Coder::StreamItems>(item);
    std::vector<unsigned char> bytes(coder.getLength(which), 0xEE), sized(bytes);
    coder.setToRaw(record, which, bytes.data());
    coder.setToRaw(record, which, sized.data(), sized.size());
    EXPECT_EQ(image.substr(coder.getOffset(which), bytes.size()),
              std::string(bytes.begin(), bytes.end()));
    EXPECT_EQ(bytes, sized);
    ProbeData read, bare;
    coder.setFromRaw(read, which, bytes.data());
    std::vector<unsigned char> again(bytes.size());
    coder.setToRaw(read, which, again.data());
    EXPECT_EQ(bytes, again);
    if (item > ProbeDataV1Coder::DataCheckItem) continue;
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), coder.bare(which, record, bare));
    EXPECT_EQ(describe(read), describe(bare));
    std::vector<unsigned char> shorter(bytes.size() - 1, 0xEE);
    EXPECT_PROBE_ERROR(coder.setToRaw(record, which, shorter.data(), shorter.size()),
                       std::string("set") + names[item] + "ToRaw error");
    EXPECT_EQ(std::vector<unsigned char>(shorter.size(), 0xEE), shorter);
    if (item == ProbeDataV1Coder::RigidBodyItem) continue;  // it reads what its count says
    EXPECT_PROBE_ERROR(coder.setFromRaw(read, which, shorter.data(), shorter.size()),
                       std::string("set") + names[item] + "FromRaw error");
  }
  std::vector<unsigned char> whole(428);
  coder.setToRaw(record, ProbeDataV1Coder::AllItems, whole.data());
  EXPECT_EQ(image, std::string(whole.begin(), whole.end()));
  ProbeData read;
  coder.setFromRaw(read, ProbeDataV1Coder::AllItems, whole.data());
  EXPECT_EQ(describe(record), describe(read));
}

}  // namespace
