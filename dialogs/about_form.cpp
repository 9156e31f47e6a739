#include "dialogs/about_form.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QShowEvent>

#include "dialogs/dialog_common.h"
#include "transport/trace.h"

namespace dialogs {

namespace {

// The engineering controls and their two layouts; a field of -1 is not changed.
struct EngineeringControl {
    const char* name;
    bool showOn;  // shown when on, hidden when off
    int heightOn, heightOff;
    int topOn, topOff;
};
constexpr EngineeringControl kEngineering[] = {
    {"LDPCReadEmptyThresholdGroupBox", true, -1, -1, -1, -1},
    {"OtherSettingGroupBox", false, 254, 82, -1, -1},
    {"DramTypeLabel", false, -1, -1, 177, 22},
    {"DramTypeComboBox", false, -1, -1, 199, 44},
    {"CloseBlockRefreshThresholdLabeledEdit", true, -1, -1, -1, -1},
    {"HeaderBlockRefreshThresholdLabeledEdit", true, -1, -1, -1, -1},
    {"CodeBlockThresholdLabeledEdit", true, -1, -1, -1, -1},
    {"SWLThresholdLabeledEdit", true, -1, -1, -1, -1},
    {"SwitchECThresholdLabeledEdit", true, -1, -1, -1, -1},
};

}  // namespace

QString AboutCaption() {
    QString caption = "About Quorvane Tamrel MP/Sorting Tool";
    caption.replace("Quorvane", "Quorv");
    caption.replace("Tamrel", "TEV100x");
    return caption;
}

void ApplyEngineeringLayout(QWidget& mainWindow, bool on) {
    for (const EngineeringControl& c : kEngineering) {
        QWidget* w = mainWindow.findChild<QWidget*>(QString::fromLatin1(c.name));
        if (w == nullptr) continue;
        if (c.showOn) w->setVisible(on);
        if (c.heightOn >= 0) w->resize(w->width(), on ? c.heightOn : c.heightOff);
        if (c.topOn >= 0) w->move(w->x(), on ? c.topOn : c.topOff);
    }
}

void PressShape::mousePressEvent(QMouseEvent* event) {
    emit Pressed(event->modifiers());
    event->accept();
}

}  // namespace dialogs

TAboutForm::TAboutForm(QWidget* mainWindow, QWidget* parent) : QDialog(parent), main_(mainWindow) {
    Q_INIT_RESOURCE(dialogs);
    setObjectName("AboutForm");
    setWindowTitle("About");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    setFixedSize(454, 211);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);
    // The shape first, under the panel.
    GodModeShape = new dialogs::PressShape(this);
    GodModeShape->setObjectName("GodModeShape");
    GodModeShape->setGeometry(0, 194, 17, 17);
    InfoPanel = new QFrame(this);
    InfoPanel->setObjectName("InfoPanel");
    InfoPanel->setGeometry(0, 0, 454, 211);
    InfoPanel->setEnabled(false);
    // A press on the disabled panel goes to what lies under it, as on the desktop the tool came from.
    InfoPanel->setAttribute(Qt::WA_TransparentForMouseEvents);
    InfoMemo = new QPlainTextEdit(InfoPanel);
    InfoMemo->setObjectName("InfoMemo");
    InfoMemo->setReadOnly(true);
    InfoMemo->setFrameShape(QFrame::NoFrame);
    InfoMemo->setGeometry(150, 60, 290, 100);
    InfoMemo->setPlainText("Quorvane Tamrel MP Tool");
    InfoMemo->setStyleSheet("background: transparent;");
    // The images lie over the panel as its own would, drawn in full colour (a disabled label greys
    // its picture) and, like the panel, letting presses through to what lies under them.
    LogoImage = new QLabel(this);
    LogoImage->setObjectName("LogoImage");
    LogoImage->setGeometry(36, 48, 79, 79);
    LogoImage->setScaledContents(true);
    BottomImage = new QLabel(this);
    BottomImage->setObjectName("BottomImage");
    BottomImage->setGeometry(0, 189, 457, 25);
    for (QLabel* image : {LogoImage, BottomImage}) image->setAttribute(Qt::WA_TransparentForMouseEvents);
    connect(GodModeShape, &dialogs::PressShape::Pressed, this,
            [this](Qt::KeyboardModifiers modifiers) { GodModeShapeMouseDown(modifiers); });
    dialogs::CentreOnScreen(*this);
}

TAboutForm::~TAboutForm() {
    app::UnregisterIfCurrent<app::AboutBox, app::RegisterAboutBox>(this);
}

void TAboutForm::ShowModal() {
    exec();
}

void TAboutForm::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) FormShow(this);
}

void TAboutForm::FormShow(QObject*) {
    InfoMemo->clear();
    setWindowTitle(dialogs::AboutCaption());
    LogoImage->setGeometry(22, LogoImage->y(), 110, 70);
    LogoImage->setPixmap(QPixmap(":/PngImage_1"));
    BottomImage->setPixmap(QPixmap(":/PngImage_2"));
}

void TAboutForm::GodModeShapeMouseDown(Qt::KeyboardModifiers modifiers) {
    if ((modifiers & Qt::ControlModifier) && m_ucGodMode == 0) {
        TraceOut("######### - God Mode On!\n");
        m_ucGodMode = 1;
        if (main_ != nullptr) dialogs::ApplyEngineeringLayout(*main_, true);
    } else {
        m_ucGodMode = 0;
        if (main_ != nullptr) dialogs::ApplyEngineeringLayout(*main_, false);
        TraceOut("######### - God Mode Off!\n");
    }
    done(QDialog::Rejected);
}

TAccessNandForm::TAccessNandForm(QWidget* parent) : QDialog(parent) {
    setObjectName("AccessNandForm");
}
