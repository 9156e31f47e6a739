// The radio group of the form library: a captioned box of exclusive items with an item index
// (-1 when none is chosen).
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

namespace dialogs {

class RadioGroup : public QGroupBox {
    Q_OBJECT
  public:
    RadioGroup(QWidget* parent, const QString& caption, const QStringList& items, int itemIndex);
    int ItemIndex() const;
    void SetItemIndex(int index);

  private:
    QButtonGroup* group_;
};

}  // namespace dialogs
