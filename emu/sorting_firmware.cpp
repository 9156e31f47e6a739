#include "emu/sorting_firmware.h"

#include <algorithm>

#include "emu/gdp_firmware.h"

namespace emu {

namespace {
constexpr char kTag[4] = {'S', 'O', 'R', 'T'};
constexpr std::size_t kStatusPageBytes = 16;
}  // namespace

SortingFirmware::SortingFirmware(SortSetup setup) : setup_(setup), busyLeft_(std::max(0, setup.busyPolls)) {}

void SortingFirmware::Install(ControllerCore& core) {
    const std::shared_ptr<SortingFirmware> self = shared_from_this();
    core.AddCommand(Program::Sorting, sort_code::kGetReturn,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket&, std::span<std::uint8_t> d) {
                         return self->GetReturn(d);
                     }});
    core.AddCommand(Program::Sorting, sort_code::kGetSortStatus,
                    {XferDir::ToHost, [self](ControllerCore&, const VendorPacket& p, std::span<std::uint8_t> d) {
                         return self->GetSortStatus(p, d);
                     }});
}

void SortingFirmware::SetStatus(std::optional<std::uint8_t> status) {
    std::lock_guard lock(mutex_);
    setup_.status = status;
}

void SortingFirmware::SetBusyPolls(int polls) {
    std::lock_guard lock(mutex_);
    busyLeft_ = std::max(0, polls);
}

std::vector<std::uint8_t> SortingFirmware::StatusRequests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

void SortingFirmware::Finish(std::uint8_t result, int busyPolls) {
    std::lock_guard lock(mutex_);
    result_ = result;
    busyLeft_ = std::max(0, busyPolls);
}

NvmeStatus SortingFirmware::GetReturn(std::span<std::uint8_t> data) {
    if (data.size() < 2) return nvme_status::kInvalidField;
    std::lock_guard lock(mutex_);
    const bool busy = busyLeft_ > 0;
    if (busy) --busyLeft_;
    data[0] = busy ? kGdpBusy : kGdpDone;
    data[1] = busy ? 0 : result_;
    return nvme_status::kSuccess;
}

NvmeStatus SortingFirmware::GetSortStatus(const VendorPacket& p, std::span<std::uint8_t> data) {
    if (data.size() < kStatusPageBytes) return nvme_status::kInvalidField;
    std::optional<std::uint8_t> status;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(p[4]);
        status = setup_.status;
    }
    if (status) {
        std::copy(std::begin(kTag), std::end(kTag), data.begin());
        data[4] = *status;
    } else {
        std::fill_n(data.begin(), kStatusPageBytes, 0xFF);
    }
    Finish(1);
    return nvme_status::kSuccess;
}

}  // namespace emu
