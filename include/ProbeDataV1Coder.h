// The version-1 device coder: keeps a ProbeData in the probe's memory as one little-endian
// image (version block, rigid body block, default direction, mask thickness, data check), reads
// and saves it through the data handler, and converts it to and from a string of raw bytes.
//
// Transfers. One read and one save may be pending at a time. A read whose layout depends on the
// image version (readAll, readChecksum) first reads the version block when the version is not
// known and chains the real read on its completion; the caller hears once, at the end. Every
// accepted request ends in exactly one result report (onChecksumRed, onAllRed or onSaved) when a
// callback is set, whether the data handler completes inside readData/saveData or later. The
// coder's state is set before each request, so a completion delivered at once finds it.
//
// Choices where the image format leaves room:
// - A rigid body whose records do not fit its 388-byte block is refused with
//   "setRigidBodyToRaw error" before a byte is written; a block whose count or flags describe
//   more bytes than the block holds fails with "setRigidBodyFromRaw error".
// - A scaled value that is not a number or falls outside a signed 32-bit integer is refused by
//   its writer ("...ToRaw error"); values that fit 32 bits but not 16 keep their low 16 bits.
// - Every item is coded inside its own slot of the image and never past the bytes it is given.
//   Images of input version 1 (a 328-byte image with a 320-byte rigid body slot) are read but
//   cannot hold the 388-byte block the writer produces, so save reports CodeError and
//   onSaved(false), convertToString returns false, and computeDataCheksum throws
//   "setRigidBodyToRaw error". Range reads skip that version's empty items.
// - A version completion shorter than the 8-byte block is a DecodeError.
// - If the data handler's request throws inside a direct readVersion, the coder is idle again
//   before the exception leaves; if saveData throws something other than Error, the pending
//   write is withdrawn before it leaves.
// - A save accepted while a version read is pending refuses the read chained behind that version
//   read: the chained read is reported failed (TransferError, onError() then onAllRed(false) or
//   onChecksumRed(false)) instead of being dropped silently.
#ifndef PROBE_DATA_V1_CODER_H
#define PROBE_DATA_V1_CODER_H

#include <boost/shared_ptr.hpp>

#include <cstddef>
#include <string>

#include "ProbeDataCoder.h"
#include "ProbeExport.h"

class PROBEDATA_API ProbeDataV1Coder : public ProbeDataCoder {
 public:
  // The items of the image, in image order; AllItems is the whole image.
  enum StreamItems {
    AllItems = 0,
    VersionItem = 1,
    RigidBodyItem = 2,
    DefaultDirItem = 3,
    MaskThicknessItem = 4,
    DataCheckItem = 5,
  };

  // Output version 33 (image version 2.1).
  explicit ProbeDataV1Coder(boost::shared_ptr<DataHandler> dataHandler);
  ProbeDataV1Coder(const ProbeDataV1Coder& other);
  ProbeDataV1Coder& operator=(const ProbeDataV1Coder& other);
  ~ProbeDataV1Coder() override;

  static unsigned short getClassVersion();
  // The length of a whole image of an input version: 428 bytes for the version this coder
  // writes, 328 for the cut image of version 1. What a device memory must hold.
  static unsigned int getImageLength(unsigned int inputVersion = _nClassVersion);
  // Whether devices write images of a version: 2.1, 2.0 and the cut image 0.1 (version 1). An
  // image without the magic reads as version 1.0, which no device writes.
  static bool isWrittenVersion(unsigned int version);

  // Accepts 0 to 33; throws Error for anything larger and keeps the old value.
  void setOutputVersion(unsigned short version) override;

  // Requests. Each throws Error, changing nothing, without a data handler or while a transfer
  // that forbids it is pending; otherwise the outcome reaches the callback later.
  void readVersion() override;
  // Reads the whole image, first the version block when no version is known yet. The report
  // is onAllRed(ok), with two exceptions a host must expect:
  // - a failed version read ends in onChecksumRed(false), also when readAll started it;
  // - when the data handler completes inside readData, the completions and their reports run
  //   inside readAll, and readAll catches whatever they throw: a callback that throws from a
  //   report is answered by TransferError, onError() and onAllRed(false), after the report that
  //   threw.
  // So a host waits for onAllRed or onChecksumRed, and its callbacks do not throw.
  void readAll() override;
  // Reads the data check block (the id and the stored record checksum), first the version
  // block when no version is known yet; reports onChecksumRed(ok). A callback that throws from
  // a report delivered inside readChecksum is answered by onError() and onChecksumRed(false).
  void readChecksum() override;
  // Codes data into a new image and writes it; the held record changes only when the write
  // completes, to what the written bytes decode to.
  void save(const ProbeData& data) override;

  // Completions from the data handler. data is read during the call only.
  void onDataRed(bool ok, unsigned long offset, unsigned long length, unsigned char* data) override;
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override;
  void onError() override;

  // CRC-16/ARC over the rigid body, default direction and mask thickness blocks of data's image;
  // lets the item writers' Errors through.
  unsigned int computeDataCheksum(const ProbeData& data) const override;

  // The whole image as a string of raw bytes, without any transfer. Both log their failures and
  // return false. convertFromString sets the input version from the image; bytes past the image
  // are ignored.
  bool convertToString(const ProbeData& data, std::string& image) const;
  bool convertFromString(const std::string& image, ProbeData& data);
  // The same for size bytes at image (null when size is 0), of which it keeps no pointer.
  bool convertFromString(const unsigned char* image, std::size_t size, ProbeData& data);

 protected:
  static const unsigned short _nClassVersion = 33;
  static const unsigned int _nVersionDataSize = 8;
  static const unsigned int _nRigidBodyDataSize = 388;
  static const unsigned int _nRigidBodyData20Size = 320;
  static const unsigned int _nDefaultDirDataSize = 8;
  static const unsigned int _nMaskThicknessDataSize = 2;
  static const unsigned int _nDataCheckDataSize = 22;

  // Length and offset of an item in the image of the current input version; 0 for values
  // above DataCheckItem.
  unsigned int getLength(StreamItems item) const;
  unsigned int getOffset(StreamItems item) const;

  // Item codecs. The forms with a bare pointer assume the item's documented length (for
  // writers, what they write: 8, 388, 8, 2, 22 bytes; for readers, getLength of the item); the
  // forms with a size never touch a byte at or past raw + size and fail with the codec's own
  // "... error" instead. None keeps a pointer to raw.
  void setVersionFromRaw(unsigned char* raw);
  void setVersionFromRaw(unsigned char* raw, std::size_t size);
  void setVersionToRaw(unsigned char* raw) const;
  void setVersionToRaw(unsigned char* raw, std::size_t size) const;

  void setRigidBodyToRaw(const ProbeData& data, unsigned char* raw) const;
  void setRigidBodyToRaw(const ProbeData& data, unsigned char* raw, std::size_t size) const;
  void setRigidBodyFromRaw(ProbeData& data, unsigned char* raw) const;
  void setRigidBodyFromRaw(ProbeData& data, unsigned char* raw, std::size_t size) const;

  void setDefaultDirToRaw(const ProbeData& data, unsigned char* raw) const;
  void setDefaultDirToRaw(const ProbeData& data, unsigned char* raw, std::size_t size) const;
  void setDefaultDirFromRaw(ProbeData& data, unsigned char* raw) const;
  void setDefaultDirFromRaw(ProbeData& data, unsigned char* raw, std::size_t size) const;

  void setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw) const;
  void setMaskThicknessToRaw(const ProbeData& data, unsigned char* raw, std::size_t size) const;
  void setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw) const;
  void setMaskThicknessFromRaw(ProbeData& data, unsigned char* raw, std::size_t size) const;

  void setDataCheckToRaw(const ProbeData& data, unsigned char* raw) const;
  void setDataCheckToRaw(const ProbeData& data, unsigned char* raw, std::size_t size) const;
  void setDataCheckFromRaw(ProbeData& data, unsigned char* raw) const;
  void setDataCheckFromRaw(ProbeData& data, unsigned char* raw, std::size_t size) const;

  // Item dispatch: one item, or the whole image for AllItems, each item coded inside its own
  // slot. Decoding AllItems stops after the rigid body for input versions up to 0x20, encoding
  // for output versions up to 0x20. Codec Errors pass through; items decoded before a failing
  // one have already changed data.
  void setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw);
  void setFromRaw(ProbeData& data, StreamItems item, unsigned char* raw, std::size_t size);
  void setToRaw(const ProbeData& data, StreamItems item, unsigned char* raw) const;
  void setToRaw(const ProbeData& data, StreamItems item, unsigned char* raw,
                std::size_t size) const;

 private:
  // Decodes a completed range of whole items into a copy of the held record and keeps the copy
  // on success; a range that does not start at an item, splits one or does not decode is logged
  // with failure, kept as DecodeError, and false.
  bool decodeRange(unsigned long offset, unsigned long length, unsigned char* data,
                   const char* failure);
  // readAll and readChecksum: chains a version read first when no version is known.
  void startRead(ReadAction action);
  // Starts the read that a completed version read was chained to.
  void startNextAction();
  // Leaves the read side idle: no read pending, awaited or chained.
  void settleRead();
  unsigned int codedLength(StreamItems item) const;
};

#endif
