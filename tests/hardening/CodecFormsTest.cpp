// The forms of the version-1 coder's protected codecs that take a bare pointer assume the item's
// length; each must code exactly what the sized form codes, in a buffer of exactly that length
// (so the sanitizers see any byte past it). And the parts of the coder frame a host may use
// without overriding anything: the callback's empty defaults, and coder copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "DataHandler.h"
#include "ProbeDataV1Coder.h"
#include "RigidBodies.h"
#include "V1CoderAccess.h"

namespace {

using Coder = V1CoderAccess;

using Bytes = std::vector<unsigned char>;

// Overrides nothing: every report reaches the empty defaults.
class DefaultCallback final : public ProbeDataCoderCB {};

TEST(CodecFormsTest, BarePointerFormsCodeTheItemLength) {
  const ProbeData record = sampleRecord(3, true);
  struct Item {
    const char* name;
    std::size_t length;
    void (Coder::*writeBare)(const ProbeData&, unsigned char*) const;
    void (Coder::*writeSized)(const ProbeData&, unsigned char*, std::size_t) const;
    void (Coder::*readBare)(ProbeData&, unsigned char*) const;
  };
  const Item items[] = {
      {"rigid body", 388, &Coder::setRigidBodyToRaw, &Coder::setRigidBodyToRaw,
       &Coder::setRigidBodyFromRaw},
      {"default direction", 8, &Coder::setDefaultDirToRaw, &Coder::setDefaultDirToRaw,
       &Coder::setDefaultDirFromRaw},
      {"mask thickness", 2, &Coder::setMaskThicknessToRaw, &Coder::setMaskThicknessToRaw,
       &Coder::setMaskThicknessFromRaw},
      {"data check", 22, &Coder::setDataCheckToRaw, &Coder::setDataCheckToRaw,
       &Coder::setDataCheckFromRaw},
  };
  for (const Item& item : items) {
    SCOPED_TRACE(item.name);
    Coder coder;
    coder.setInputVersion(0x21);
    Bytes bare(item.length), sized(item.length);
    (coder.*item.writeBare)(record, bare.data());
    (coder.*item.writeSized)(record, sized.data(), sized.size());
    EXPECT_EQ(sized, bare);
    ProbeData read;
    (coder.*item.readBare)(read, bare.data());
    Bytes again(item.length);
    (coder.*item.writeSized)(read, again.data(), again.size());
    EXPECT_EQ(bare, again) << "read back differently";
  }

  Coder coder;
  Bytes version(8);
  coder.setVersionToRaw(version.data());
  coder.setVersionFromRaw(version.data());
  EXPECT_EQ(0x21u, coder.getInputVersion());
  ProbeData read;
  Bytes body(388);
  coder.setRigidBodyToRaw(record, body.data());
  coder.setFromRaw(read, ProbeDataV1Coder::RigidBodyItem, body.data());
  Rb::RigidBody expected = record.getRigidBody();
  expected.setId("");  // the block holds no id
  EXPECT_TRUE(sameBody(expected, read.getRigidBody(), 1e-9));
}

// A handler that completes every request at once from a fixed image.
class ImageHandler : public DataHandler {
 public:
  explicit ImageHandler(const std::string& image) : image_(image) {}
  void bind(DataHandlerCB* coder) { coder_ = coder; }
  void readData(unsigned long offset, unsigned long length) override {
    Bytes bytes(image_.begin() + static_cast<long>(offset),
                image_.begin() + static_cast<long>(offset + length));
    coder_->onDataRed(true, offset, length, bytes.data());
  }
  void saveData(unsigned long offset, unsigned long length,
                boost::shared_array<unsigned char> data) override {
    coder_->onDataSaved(true, offset, length, data.get());
  }
  DHError getError() const override { return DHTransferError; }

 private:
  std::string image_;
  DataHandlerCB* coder_ = nullptr;
};

TEST(CodecFormsTest, DefaultCallbackIgnoresReportsAndCopiesKeepTheirOwnRecord) {
  const ProbeData record = sampleRecord(2, true);
  std::string image;
  ASSERT_TRUE(Coder().convertToString(record, image));
  boost::shared_ptr<ImageHandler> handler(new ImageHandler(image));
  Coder coder(handler);
  handler->bind(&coder);
  boost::shared_ptr<DefaultCallback> callback(new DefaultCallback);
  DefaultCallback copied(*callback);
  copied = *callback;
  coder.setCB(callback);

  Coder copy(coder);  // shares the handler and callback, holds its own record
  coder.readAll();
  coder.readChecksum();
  coder.save(record);
  coder.onError();
  EXPECT_TRUE(sameRecord(record, coder.getProbeData(), 1e-9));
  EXPECT_EQ(ProbeDataCoder::TransferError, coder.getError());
  EXPECT_TRUE(sameRecord(ProbeData(), copy.getProbeData()));
  copy = coder;
  EXPECT_TRUE(sameRecord(record, copy.getProbeData(), 1e-9));
}

}  // namespace
