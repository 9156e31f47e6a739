// An operator for the program under test: linked beside the program's own entry (kestrane/main.cpp) into
// a test copy of the program, it acts only through the windows, as a person at the station would.
//
// Once the main window is up it opens Tools > Auto MP, ticks "Elec detect" alone and presses "test";
// when the check has ended (its lines in the memo, the fixture window unlocked again) it closes the
// program the way --then=WAY names:
//   signal        prints "ready" and leaves the closing to the parent's signal;
//   close         closes the main window, as the window manager's close button does;
//   fixture-exit  closes the fixture window, then the main window.
//
// Every message box is answered: "Exit Auto MP ?" with Yes, any other with its default button, at once
// or --answer-after=MS milliseconds after it shows. Each box's text is printed as "box: <text>" when
// it shows, so the parent can tell what the operator saw.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QMainWindow>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <cstdio>
#include <functional>

namespace {

QWidget* TopLevel(const char* name) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(name)) return w;
    }
    return nullptr;
}

QWidget* MainWindow() {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<QMainWindow*>(w) != nullptr) return w;
    }
    return nullptr;
}

template <class W>
W* Child(QWidget* window, const char* name) {
    return window != nullptr ? window->findChild<W*>(QLatin1String(name)) : nullptr;
}

void Say(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QString Argument(const char* name, const char* fallback) {
    const QString prefix = QLatin1String(name) + u'=';
    for (const QString& arg : QCoreApplication::arguments()) {
        if (arg.startsWith(prefix)) return arg.mid(prefix.size());
    }
    return QLatin1String(fallback);
}

int AnswerDelayMs() {
    return Argument("--answer-after", "0").toInt();
}

// Answers the box that is up, if any.
void AnswerBoxes() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->property("answered").toBool()) return;
    box->setProperty("answered", true);
    Say("box: " + box->text());
    QAbstractButton* button = box->button(QMessageBox::Yes);
    if (box->text() != QLatin1String("Exit Auto MP ?") || button == nullptr) button = box->defaultButton();
    if (button == nullptr && !box->buttons().isEmpty()) button = box->buttons().constFirst();
    // Pressed from the loop, not from inside this poll.
    QTimer::singleShot(AnswerDelayMs(), button, &QAbstractButton::click);
}

// Polls `done` from the event loop every 20 ms, then runs `next` once.
void When(std::function<bool()> done, std::function<void()> next) {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [timer, done = std::move(done), next = std::move(next)] {
        if (!done()) return;
        timer->stop();
        timer->deleteLater();
        next();
    });
    timer->start(20);
}

void CloseTheProgram() {
    const QString way = Argument("--then", "signal");
    if (way == QLatin1String("signal")) {
        Say("ready");
    } else if (way == QLatin1String("close")) {
        if (QWidget* main = MainWindow()) main->close();
    } else if (way == QLatin1String("fixture-exit")) {
        if (QWidget* fixture = TopLevel("RuzeVEForm")) fixture->close();
        When(
            [] {
                QWidget* f = TopLevel("RuzeVEForm");
                return f == nullptr || !f->isVisible();
            },
            [] {
                if (QWidget* main = MainWindow()) main->close();
            });
    }
}

void RunFixtureTest() {
    QWidget* main = MainWindow();
    auto* autoMp = main != nullptr ? main->findChild<QAction*>(QStringLiteral("RuzeVE1")) : nullptr;
    if (autoMp == nullptr) {
        Say("no Auto MP menu item");
        return;
    }
    autoMp->trigger();
    QWidget* fixture = TopLevel("RuzeVEForm");
    auto* elec = Child<QCheckBox>(fixture, "RuzeVEElecDetectBox");
    auto* loopBack = Child<QCheckBox>(fixture, "RuzeVEPcieLoopBackBox");
    auto* test = Child<QPushButton>(fixture, "RuzeVETestButton");
    auto* memo = Child<QPlainTextEdit>(fixture, "ReadStatusMemo");
    if (elec == nullptr || loopBack == nullptr || test == nullptr || memo == nullptr) {
        Say("no fixture window");
        return;
    }
    elec->setChecked(true);
    loopBack->setChecked(false);
    QTimer::singleShot(0, test, &QPushButton::click);
    // The check has ended when its lines are in the memo and the window is unlocked again.
    When([memo, test] { return memo->toPlainText().contains(QLatin1String("M.2 is")) && test->isEnabled(); },
         [memo] {
             Say("fixture memo: " + memo->toPlainText().replace('\n', " | "));
             CloseTheProgram();
         });
}

void Start() {
    auto* boxes = new QTimer(QCoreApplication::instance());
    QObject::connect(boxes, &QTimer::timeout, &AnswerBoxes);
    boxes->start(20);
    When(
        [] {
            QWidget* main = MainWindow();
            return main != nullptr && main->isVisible();
        },
        &RunFixtureTest);
}

// Runs when the program makes its application object, before its windows exist.
void Install() {
    QTimer::singleShot(0, &Start);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(Install)
