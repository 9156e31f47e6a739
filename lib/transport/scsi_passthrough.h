// The carrier of every command to a drive: one SCSI command block with its data phase, sent to
// the port's USB disk through the platform pass-through. The device is opened and closed for
// each command block; nothing is kept open between them.
#pragma once

#include <cstdint>

inline constexpr unsigned kScsiTimeoutSeconds = 10;

// Data-in. Returns 1 on success, 0 on failure (the device could not be opened, the command was
// not delivered, or it ended with a SCSI status other than GOOD). `returnedLength` (may be null)
// receives the bytes moved. A transfer of exactly 1 byte travels as 2 bytes; the caller sees its 1.
int ReadSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, std::uint8_t cdbLength, void* buffer,
                                    std::uint32_t byteCount, std::uint32_t* returnedLength, unsigned timeoutSeconds);
// Data-out (or no data when byteCount is 0). Same results and rules as the read form.
int WriteSCSICommandWithTimeOutValue(const char* path, const std::uint8_t* cdb, std::uint8_t cdbLength,
                                     const void* buffer, std::uint32_t byteCount, std::uint32_t* returnedLength,
                                     unsigned timeoutSeconds);

// Sends a command block to the drive on `port` (AP_Instance[port].pDevicePath) with a 10-second
// time-out: 1 success, -1 the port has no path (nothing sent), -2 the pass-through failed.
int ScsiCdbPassThrough(int port, bool dataIn, const std::uint8_t* cdb, std::uint8_t cdbLength, void* buffer,
                       std::uint32_t byteCount);
