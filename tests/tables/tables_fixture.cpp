#include "tables_fixture.h"

#include <sstream>

namespace tables_test {

namespace {

bool SameRecord(const RmpRecord& a, const RmpRecord& b) {
    return a.good == b.good && a.defect == b.defect && a.location == b.location && a.plane == b.plane;
}

void DiffList(std::ostringstream& out, const char* name, int ch, int ce, int p, const RmpList& a, const RmpList& b) {
    if (a.size() != b.size()) {
        out << name << "[" << ch << "][" << ce << "][" << p << "] size " << a.size() << " vs " << b.size() << "\n";
        return;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameRecord(a[i], b[i])) {
            out << name << "[" << ch << "][" << ce << "][" << p << "] #" << i << " (" << a[i].defect << "->"
                << a[i].good << ") vs (" << b[i].defect << "->" << b[i].good << ")\n";
            return;
        }
    }
}

void DiffUnits(std::ostringstream& out, const char* name, const BlockUnitList& a, const BlockUnitList& b) {
    if (a.size() != b.size()) {
        out << name << " size " << a.size() << " vs " << b.size() << "\n";
        return;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const SuperBlockBadInfo& x = a[i];
        const SuperBlockBadInfo& y = b[i];
        if (x.unit != y.unit || x.badCount != y.badCount || x.lun0Count != y.lun0Count || x.lun1Count != y.lun1Count ||
            std::memcmp(x.status, y.status, sizeof x.status) != 0) {
            out << name << " #" << i << " unit " << x.unit << "/" << y.unit << " count " << x.badCount << "/"
                << y.badCount << " lun " << x.lun0Count << "," << x.lun1Count << "/" << y.lun0Count << ","
                << y.lun1Count << "\n";
            return;
        }
    }
}

}  // namespace

std::string DiffWorkingSets(const _VectorInfo& a, const _VectorInfo& b) {
    std::ostringstream out;
    DiffUnits(out, "units", a.units, b.units);
    DiffUnits(out, "unitsExt", a.unitsExt, b.unitsExt);
    for (int ch = 0; ch < RM_MAX_CH; ++ch) {
        for (int ce = 0; ce < RM_MAX_CE; ++ce) {
            for (int p = 0; p < RM_MAX_PLANE; ++p) {
                DiffList(out, "remap", ch, ce, p, a.remap[ch][ce][p], b.remap[ch][ce][p]);
                DiffList(out, "reserve", ch, ce, p, a.reserve[ch][ce][p], b.reserve[ch][ce][p]);
            }
            DiffList(out, "virt", ch, ce, 0, a.virtRemap[ch][ce], b.virtRemap[ch][ce]);
        }
    }
    return out.str();
}

}  // namespace tables_test
