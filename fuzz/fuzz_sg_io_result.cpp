// libFuzzer target for the reading of an SG_IO answer: SCSI, host and driver status, residue and
// sense data of any length in fixed or descriptor format, then what the library makes of it (sense
// key and codes, the description of the result, a pass-through answered with it).
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_support.h"
#include "platform/backend.h"
#include "platform/linux/sg_io.h"
#include "platform/scsi.h"
#include "transport/port_instance.h"
#include "transport/scsi_passthrough.h"

namespace {

// Answers every command block with the result it holds.
class FixedAnswer : public platform::DeviceBackend {
  public:
    platform::PassThroughResult result;
    platform::PassThroughResult PassThrough(std::string_view, std::span<const std::uint8_t>, platform::DataDirection,
                                            std::span<std::uint8_t>, unsigned) override {
        return result;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Quiet();
    if (size < 12) return 0;
    static const auto backend = [] {
        auto b = std::make_shared<FixedAnswer>();
        platform::InstallBackend("fz:", b, false);
        AP_Instance[0].pDevicePath = "fz:0";
        AP_Instance[0].bIsBridge = 1;
        return b;
    }();

    std::uint8_t sense[platform::kSenseLength] = {};
    const std::size_t senseBytes = std::min<std::size_t>(size - 12, sizeof sense);
    std::memcpy(sense, data + 12, senseBytes);
    sg_io_hdr_t hdr{};
    hdr.status = data[0];
    hdr.host_status = static_cast<unsigned short>(data[1] | (data[2] << 8));
    hdr.driver_status = static_cast<unsigned short>(data[3] | (data[4] << 8));
    hdr.sb_len_wr = data[5];  // the kernel's count may claim more than the buffer holds
    hdr.mx_sb_len = sizeof sense;
    hdr.sbp = sense;
    std::int32_t resid = 0;
    std::memcpy(&resid, data + 6, 4);
    hdr.resid = resid;
    hdr.dxfer_len = static_cast<unsigned>(data[10]) << 8 | data[11];
    const int ioctlResult = (data[4] & 0x80) != 0 ? -1 : 0;

    const platform::PassThroughResult r = platform::linuxos::ReadSgIoResult(hdr, ioctlResult, data[9]);
    fuzz::Check(r.senseLength <= platform::kSenseLength, "sense length within the buffer");
    fuzz::Check(r.transferred <= hdr.dxfer_len, "no more transferred than asked");
    volatile std::uint32_t sink = r.SenseKey() + r.Asc() + r.Ascq();
    (void)sink;
    (void)platform::DescribeResult(r);

    backend->result = r;
    std::uint8_t buffer[512];
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 36, 0};
    ScsiCdbPassThrough(0, true, cdb, sizeof cdb, buffer, static_cast<std::uint32_t>(data[10] % 2 == 0 ? 36 : 512));
    return 0;
}
