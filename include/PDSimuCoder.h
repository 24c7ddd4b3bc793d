// The coder of a simulated probe memory. It offers the requests and reports of the version-1
// coder, so a host can use one in place of the other, but the memory behind its data handler
// holds the record's XML text (as saveToString writes it) instead of a memory image. Every
// request moves the whole text in one transfer from offset 0; a version or checksum read is a
// whole read.
#ifndef PROBE_PD_SIMU_CODER_H
#define PROBE_PD_SIMU_CODER_H

#include <boost/shared_ptr.hpp>

#include <string>

#include "DataHandler.h"
#include "ProbeData.h"
#include "ProbeDataCoder.h"
#include "ProbeExport.h"

class PROBEDATA_API PDSimuCoder : public ProbeDataCoder {
 public:
  // The output version stays undefined until setOutputVersion; the owner binds the coder to
  // the data handler.
  explicit PDSimuCoder(boost::shared_ptr<DataHandler> dataHandler);
  // Copies share the data handler and callback and hold their own record.
  PDSimuCoder(const PDSimuCoder& other);
  PDSimuCoder& operator=(const PDSimuCoder& other);
  ~PDSimuCoder() override;

  // The completed transfer's text, up to its first NUL and at most length bytes, decoded into
  // the coder's record; reported as onAllRed or onSaved.
  void onDataRed(bool ok, unsigned long offset, unsigned long length, unsigned char* data) override;
  void onDataSaved(bool ok, unsigned long offset, unsigned long length,
                   unsigned char* data) override;
  void onError() override;

  // Accepts versions up to the class version; nothing in this coder reads it back.
  void setOutputVersion(unsigned short version) override;
  // CRC-16 of the record's XML text.
  unsigned int computeDataCheksum(const ProbeData& data) const override;
  // Both are whole reads, reported through onAllRed.
  void readVersion() override;
  void readAll() override;
  void readChecksum() override;
  // Sends the record's XML text; the coder's own record takes it when the save is confirmed.
  void save(const ProbeData& data) override;

  static unsigned short getClassVersion();

 protected:
  static const unsigned short _nClassVersion = 16;

  // saveToString of data into text, and loadFromString of text into the coder's record.
  bool codeStream(const ProbeData& data, std::string& text) const;
  bool decodeStream(const std::string& text);

 private:
  void completeTransfer(bool ok, unsigned long length, const unsigned char* data,
                        PDCError decodeFailure, Result result);
};

#endif
