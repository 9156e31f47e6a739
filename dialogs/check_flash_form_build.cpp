// The check-flash window's controls: three tabs, the read and write tabs alike (their prefix in the
// names), the erase tab, and a grid per channel in each of the read and write tabs.
#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "dialogs/check_flash_form.h"
#include "dialogs/dialog_common.h"
#include "dialogs/dump_grid.h"
#include "forms/controls.h"

namespace {

// A radio group of the form library with its first item chosen.
forms::RadioGroup* MakeRadioGroup(QWidget* parent, const char* caption, const QStringList& items) {
    auto* group = new forms::RadioGroup(caption, parent);
    group->SetItems(items);
    group->SetItemIndex(0);
    return group;
}

constexpr int kGridRows = 257;  // the header and 4 KB of rows until a page is shown

QString Name(const char* prefix, const char* rest) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(rest);
}

forms::LabeledEdit* Edit(QWidget* page, const QString& name, const QString& caption, const QString& text, int top,
                         int maxLength = 0) {
    auto* edit = new forms::LabeledEdit(page);
    edit->setObjectName(name);
    edit->SetCaption(caption);
    edit->setGeometry(16, top, 120, 21);
    edit->setText(text);
    if (maxLength > 0) edit->setMaxLength(maxLength);
    return edit;
}

QPlainTextEdit* Memo(QWidget* page, const QString& name, const QString& text, const QRect& where) {
    auto* memo = new QPlainTextEdit(page);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setPlainText(text);
    memo->setGeometry(where);
    return memo;
}

}  // namespace

TCheckFlashToolForm::TCheckFlashToolForm(TMainForm* main, QWidget* parent)
    : QDialog(parent), main_(main), buffer_(dialogs::kCheckFlashBufferBytes, 0) {
    setObjectName("CheckFlashToolForm");
    setWindowTitle("Check Flash Tool");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(894, 621);
    CFTPageControl = new QTabWidget(this);
    CFTPageControl->setObjectName("CFTPageControl");
    CFTPageControl->setGeometry(0, 0, 894, 621);
    const char* const captions[] = {"Read Page", "Write Page", "Erase Block"};
    QWidget* pages[3];
    for (int i = 0; i < 3; ++i) {
        pages[i] = new QWidget(CFTPageControl);
        CFTPageControl->addTab(pages[i], captions[i]);
    }
    BuildPageTab(Read, "Read", pages[0]);
    BuildPageTab(Write, "Write", pages[1]);
    WritePatternLabeledEdit = Edit(pages[1], "WritePatternLabeledEdit", "Pattern", "0x55", 376);
    Write.Button->move(Write.Button->x(), 412);
    BuildEraseTab(pages[2]);
    connect(Read.Button, &QPushButton::clicked, this, [this] { ReadPageButtonClick(Read.Button); });
    connect(Write.Button, &QPushButton::clicked, this, [this] { WritePageButtonClick(Write.Button); });
    connect(EraseBlockButton, &QPushButton::clicked, this, [this] { EraseBlockButtonClick(EraseBlockButton); });
    dialogs::CentreOnScreen(*this);
    StringGrid_Init();
}

void TCheckFlashToolForm::BuildPageTab(PageTab& tab, const char* prefix, QWidget* page) {
    tab.ChannelLabeledEdit = Edit(page, Name(prefix, "ChannelLabeledEdit"), "Channel", "0", 24, 1);
    tab.AllCHCheckBox = new QCheckBox("All", page);
    tab.AllCHCheckBox->setObjectName(Name(prefix, "AllCHCheckBox"));
    tab.AllCHCheckBox->setGeometry(144, 24, 60, 21);
    tab.BankLabeledEdit = Edit(page, Name(prefix, "BankLabeledEdit"), "Bank", "0", 68, 2);
    tab.BlockLabeledEdit = Edit(page, Name(prefix, "BlockLabeledEdit"), "Block", "0", 112);
    tab.PageLabeledEdit = Edit(page, Name(prefix, "PageLabeledEdit"), "Page", "0", 156);
    tab.LDPCModeRadioGroup = MakeRadioGroup(page, "LDPC Mode", {"Loader", "Normal"});
    tab.LDPCModeRadioGroup->setObjectName(Name(prefix, "LDPCModeRadioGroup"));
    tab.LDPCModeRadioGroup->setGeometry(16, 186, 190, 60);
    tab.EnableScrambleCheckBox = new QCheckBox("Enable Scramble", page);
    tab.EnableScrambleCheckBox->setObjectName(Name(prefix, "EnableScrambleCheckBox"));
    tab.EnableScrambleCheckBox->setChecked(true);
    tab.EnableScrambleCheckBox->setGeometry(16, 252, 190, 21);
    tab.BlockTypeRadioGroup = MakeRadioGroup(page, "Block Type", {"Loader", "SLC", "TLC"});
    tab.BlockTypeRadioGroup->setObjectName(Name(prefix, "BlockTypeRadioGroup"));
    tab.BlockTypeRadioGroup->setGeometry(16, 278, 190, 80);
    tab.Button = new QPushButton(QString::fromLatin1(prefix) + " Page", page);
    tab.Button->setObjectName(Name(prefix, "PageButton"));
    tab.Button->setGeometry(16, 368, 190, 28);
    tab.StatusMemo =
        Memo(page, Name(prefix, "StatusMemo"), QString::fromLatin1(prefix) + " Status Memo", QRect(16, 450, 200, 130));
    tab.ChannelPageControl = new QTabWidget(page);
    tab.ChannelPageControl->setObjectName(Name(prefix, "ChannelPageControl"));
    tab.ChannelPageControl->setGeometry(226, 4, 660, 586);
    for (int ch = 0; ch < 8; ++ch) {
        tab.CHTabSheet[ch] = new QWidget(tab.ChannelPageControl);
        tab.CHTabSheet[ch]->setObjectName(Name(prefix, "CHTabSheet") + QString::number(ch));
        tab.ChannelPageControl->addTab(tab.CHTabSheet[ch], QString("CH %1").arg(ch));
        tab.CHStringGrid[ch] = new dialogs::DumpGrid(tab.CHTabSheet[ch], kGridRows);
        tab.CHStringGrid[ch]->setObjectName(Name(prefix, "CHStringGrid") + QString::number(ch));
        tab.CHStringGrid[ch]->setGeometry(4, 4, 646, 550);
    }
}

void TCheckFlashToolForm::BuildEraseTab(QWidget* page) {
    EraseChannelLabeledEdit = Edit(page, "EraseChannelLabeledEdit", "Channel", "0", 24, 1);
    EraseBankLabeledEdit = Edit(page, "EraseBankLabeledEdit", "Bank", "0", 68, 2);
    EraseBlockLabeledEdit = Edit(page, "EraseBlockLabeledEdit", "Block", "0", 112);
    EraseBlockTypeRadioGroup = MakeRadioGroup(page, "Block Type", {"SLC", "Non-SLC"});
    EraseBlockTypeRadioGroup->setObjectName("EraseBlockTypeRadioGroup");
    EraseBlockTypeRadioGroup->setGeometry(16, 142, 190, 60);
    ErasePlaneTypeRadioGroup = MakeRadioGroup(page, "Plane Type", {"Single Plane", "Non-Single Plane"});
    ErasePlaneTypeRadioGroup->setObjectName("ErasePlaneTypeRadioGroup");
    ErasePlaneTypeRadioGroup->setGeometry(16, 208, 190, 60);
    EraseBlockButton = new QPushButton("Erase Block", page);
    EraseBlockButton->setObjectName("EraseBlockButton");
    EraseBlockButton->setGeometry(16, 280, 190, 28);
    EraseStatusMemo = Memo(page, "EraseStatusMemo", "Erase Status Memo", QRect(226, 24, 420, 200));
}
