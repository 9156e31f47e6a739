// The "SSD Info" page: the SSD Setting and Flash Info memos from the records the firmware variable
// block filled, and the flash-ID line of one reply.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "settings/records.h"
#include "utility/page_text.h"

namespace vellumin {

// `nsze`: the namespace size of identify namespace, none when it failed.
Lines SsdSettingLines(const AP_FlashSet_t& flash, const AP_FwSet_t& fw, const AP_Variable_t& variable,
                      std::optional<std::uint64_t> nsze);
Lines FlashInfoLines(const AP_FlashSet_t& flash);

// "Flash_ID : " and "0x%x " of each reply byte before the first zero byte, at most 8 (and at most
// `replyBytes`); `afterByte` runs after each byte (the window serves its messages there).
std::string FlashIdLine(const std::uint8_t* reply, std::size_t replyBytes,
                        const std::function<void()>& afterByte = {});

// The flash-ID loop's bounds: the channels and banks the records give, at most 8 each.
int FlashIdChannels(const AP_FlashSet_t& flash);
int FlashIdBanks(const AP_FlashSet_t& flash);

}  // namespace vellumin
