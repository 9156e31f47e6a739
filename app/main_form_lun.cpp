// The die map's "Lun Select" button: the LUN record from the die map's boxes and shapes, the LUN
// dialog, and the shapes recoloured from its choice. Die-map controls that do not exist are skipped.
#include <QCheckBox>

#include "app/dialog_slots.h"
#include "app/lun_selection.h"
#include "app/main_form.h"
#include "forms/controls.h"
#include "settings/die_remap.h"
#include "transport/trace.h"

namespace {

QString BoxName(int ch, int ce) {
    return QString("DieMapCheckBox%1%2").arg(ch).arg(ce);
}
QString ShapeName(int ch, int ce, int lun) {
    return QString("LunSelectShape%1%2%3").arg(ch).arg(ce).arg(lun);
}

}  // namespace

void TMainForm::LunSelectButtonClick(QObject*) {
    const int luns = settings::DieMapLunCount();
    settings::DieMapPage page;
    for (int ch = 0; ch < app::kLunChannels; ++ch) {
        for (int ce = 0; ce < app::kLunCes; ++ce) {
            settings::DieMapBox& box = page.box[ch][ce];
            if (auto* check = findChild<QAbstractButton*>(BoxName(ch, ce))) {
                box.enabled = check->isEnabled();
                box.checked = check->isChecked();
            }
            for (int lun = 0; lun < luns; ++lun) {
                auto* shape = findChild<forms::Shape*>(ShapeName(ch, ce, lun));
                box.lunSelected[lun] = shape != nullptr && shape->BrushColour() == settings::kLunSelectedColour;
            }
        }
    }
    app::PrepareLunStatus(gLunStatus, page, luns);
    app::ShowLunSelect();
    app::ApplyLunStatus(gLunStatus, page, luns);
    for (int ch = 0; ch < app::kLunChannels; ++ch) {
        for (int ce = 0; ce < app::kLunCes; ++ce) {
            for (int lun = 0; lun < luns; ++lun) {
                if (auto* shape = findChild<forms::Shape*>(ShapeName(ch, ce, lun)))
                    shape->SetBrushColour(page.box[ch][ce].lunSelected[lun] ? settings::kLunSelectedColour
                                                                            : settings::kLunUnselectedColour);
            }
        }
    }
}
