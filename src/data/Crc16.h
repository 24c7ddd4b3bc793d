// CRC-16/ARC (polynomial 0x8005, reflected, initial value 0, no final XOR), the one CRC of the
// library. Boost builds its 256-entry table once per process, on first use.
#ifndef PROBE_CRC16_H
#define PROBE_CRC16_H

#include <boost/crc.hpp>

#include <cstddef>

inline unsigned int crc16Arc(const void* bytes, std::size_t size) {
  boost::crc_16_type crc;
  crc.process_bytes(bytes, size);
  return crc.checksum();
}

#endif
