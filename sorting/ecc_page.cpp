#include "sorting/ecc_page.h"

namespace sorting {

EccPage::EccPage(QWidget* tabSheet, const SortResults& results) : tab_(tabSheet), results_(results) {}
EccPage::~EccPage() = default;

void EccPage::Init_ECCGrid() {}

void EccPage::SetECCInfo2UI(std::uint8_t channel, std::uint8_t fwBank, std::uint8_t lun) {
    (void)channel;
    (void)fwBank;
    (void)lun;
}

}  // namespace sorting
