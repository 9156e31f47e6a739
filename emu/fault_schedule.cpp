#include "emu/fault_schedule.h"

#include <algorithm>
#include <cctype>

namespace emu {

namespace {

std::string Lower(std::string_view text) {
    std::string s;
    for (char c : text) {
        if (c != ' ' && c != '\t') s += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return s;
}

bool Fail(std::string* error, const std::string& why) {
    if (error != nullptr) *error = why;
    return false;
}

bool ParseOne(const std::string& entry, ScheduledFault& f, std::string* error) {
    const std::size_t colon = entry.find(':');
    if (colon == std::string::npos) return Fail(error, "FaultAt entry \"" + entry + "\" is not <when>:<what>");
    const std::string when = entry.substr(0, colon);
    f.what = entry.substr(colon + 1);
    if (f.what != "unplug" && f.what != "noanswer" && f.what != "vendorrefuse" && f.what != "busy") {
        return Fail(error, "FaultAt fault \"" + f.what + "\" is not unplug, noanswer, vendorrefuse or busy");
    }
    if (when.rfind("after", 0) == 0) {
        const std::string digits = when.substr(5);
        if (digits.empty() || digits.size() > 9) return Fail(error, "FaultAt \"" + when + "\" needs a count");
        for (char c : digits) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return Fail(error, "FaultAt \"" + when + "\" needs a count");
        }
        f.when = ScheduledFault::When::After;
        f.after = std::stoul(digits);
        return true;
    }
    if (when == "loader" || when == "gdp" || when == "rdt" || when == "system") {
        f.event = when;
        return true;
    }
    if (when.size() == 6 && when.rfind("code", 0) == 0 && std::isxdigit(static_cast<unsigned char>(when[4])) &&
        std::isxdigit(static_cast<unsigned char>(when[5]))) {
        f.event = when;
        return true;
    }
    return Fail(error, "FaultAt moment \"" + when + "\" is not after<n>, loader, gdp, rdt, system or code<hh>");
}

}  // namespace

std::optional<std::vector<ScheduledFault>> ParseFaultAt(std::string_view text, std::string* error) {
    const std::string all = Lower(text);
    std::vector<ScheduledFault> faults;
    std::size_t at = 0;
    while (at <= all.size()) {
        const std::size_t comma = std::min(all.find(',', at), all.size());
        const std::string entry = all.substr(at, comma - at);
        if (!entry.empty()) {
            ScheduledFault f;
            if (!ParseOne(entry, f, error)) return std::nullopt;
            faults.push_back(std::move(f));
        }
        at = comma + 1;
    }
    return faults;
}

void FaultSchedule::Add(std::vector<ScheduledFault> faults) {
    std::lock_guard lock(mutex_);
    for (auto& f : faults) pending_.push_back(std::move(f));
}

std::vector<std::string> FaultSchedule::Answered(unsigned long answered) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> due;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->when == ScheduledFault::When::After && answered >= it->after) {
            due.push_back(it->what);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

std::vector<std::string> FaultSchedule::Event(std::string_view event) {
    std::lock_guard lock(mutex_);
    std::vector<std::string> due;
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->when == ScheduledFault::When::Event && it->event == event) {
            due.push_back(it->what);
            it = pending_.erase(it);
        } else {
            ++it;
        }
    }
    return due;
}

}  // namespace emu
