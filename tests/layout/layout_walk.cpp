#include "layout/layout_walk.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QStackedWidget>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolButton>
#include <QTreeView>
#include <algorithm>
#include <map>

#include "forms/controls.h"

namespace layout_test {

namespace {

// Qt keeps the style-option fillers protected; a pointer to the inherited member reaches them.
struct PushButtonAccess : QPushButton {
    using QPushButton::initStyleOption;
};
struct CheckBoxAccess : QCheckBox {
    using QCheckBox::initStyleOption;
};
struct RadioButtonAccess : QRadioButton {
    using QRadioButton::initStyleOption;
};
struct ToolButtonAccess : QToolButton {
    using QToolButton::initStyleOption;
};
struct GroupBoxAccess : QGroupBox {
    using QGroupBox::initStyleOption;
};

// The controls inside `w` that the walk goes on to (tab pages apart).
std::vector<QWidget*> ControlChildren(QWidget& w) {
    if (auto* scroll = qobject_cast<QScrollArea*>(&w)) {
        if (scroll->widget() != nullptr) return {scroll->widget()};
        return {};
    }
    // Qt's composite controls: their insides are Qt's.
    if (qobject_cast<QAbstractScrollArea*>(&w) || qobject_cast<QComboBox*>(&w) || qobject_cast<QAbstractSpinBox*>(&w) ||
        qobject_cast<QLineEdit*>(&w) || qobject_cast<QTabBar*>(&w) || qobject_cast<QAbstractButton*>(&w) ||
        qobject_cast<QMenuBar*>(&w) || qobject_cast<QProgressBar*>(&w) || qobject_cast<QLabel*>(&w)) {
        return {};
    }
    std::vector<QWidget*> out;
    for (QObject* o : w.children()) {
        auto* child = qobject_cast<QWidget*>(o);
        if (child != nullptr && !child->isWindow()) out.push_back(child);
    }
    return out;
}

void Walk(QWidget& w, const std::function<void(QWidget&)>& visit) {
    if (auto* tabs = qobject_cast<QTabWidget*>(&w)) {
        // Each page in front in turn, so that it has its real size; the tab widget's own handlers
        // (some read a drive when a page changes) are kept out.
        const QSignalBlocker quiet(tabs);
        const int front = tabs->currentIndex();
        for (int i = 0; i < tabs->count(); ++i) {
            tabs->setCurrentIndex(i);
            QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            QWidget* page = tabs->widget(i);
            visit(*page);
            Walk(*page, visit);
        }
        tabs->setCurrentIndex(front);
        QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
        return;
    }
    for (QWidget* child : ControlChildren(w)) {
        if (child->isHidden()) continue;
        visit(*child);
        Walk(*child, visit);
    }
}

QString Quoted(const QString& text) {
    return "\"" + text + "\"";
}

std::string Finding(const QWidget& w, const QString& caption, int needed, int room, const char* what = "") {
    return PathOf(w) + " " + Quoted(caption).toStdString() + ": needs " + std::to_string(needed) + " px, has " +
           std::to_string(room) + what;
}

int TextWidth(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split('\n')) {
        widest = std::max(widest, fm.size(Qt::TextShowMnemonic, line).width());
    }
    return widest;
}

void CheckLabel(const QLabel& label, std::vector<std::string>& out) {
    const QString text = label.text();
    if (text.isEmpty() || label.wordWrap() || label.textFormat() == Qt::RichText ||
        (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        return;
    }
    const QFontMetrics fm = label.fontMetrics();
    QRect room = label.contentsRect();
    const int m = label.margin();
    room.adjust(m, m, -m, -m);
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0) indent = fm.horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0 && (label.alignment() & (Qt::AlignLeft | Qt::AlignRight))) room.setWidth(room.width() - indent);
    int needed = 0;
    for (const QString& line : text.split('\n')) needed = std::max(needed, fm.horizontalAdvance(line));
    if (needed > room.width()) out.push_back(Finding(label, text, needed, room.width()));
    const int lines = static_cast<int>(text.count('\n')) + 1;
    const int height = fm.height() * lines;
    if (height > room.height()) {
        out.push_back(PathOf(label) + " " + Quoted(text).toStdString() + ": needs " + std::to_string(height) +
                      " px high, has " + std::to_string(room.height()));
    }
}

void CheckPushButton(QPushButton& button, std::vector<std::string>& out) {
    if (button.text().isEmpty()) return;
    QStyleOptionButton opt;
    void (QPushButton::*fill)(QStyleOptionButton*) const = &PushButtonAccess::initStyleOption;
    (button.*fill)(&opt);
    const QRect room = button.style()->subElementRect(QStyle::SE_PushButtonContents, &opt, &button);
    int needed = TextWidth(button.fontMetrics(), button.text());
    if (!button.icon().isNull()) needed += button.iconSize().width() + 4;
    if (needed > room.width()) out.push_back(Finding(button, button.text(), needed, room.width()));
}

void CheckToolButton(QToolButton& button, std::vector<std::string>& out) {
    if (button.text().isEmpty() || button.toolButtonStyle() == Qt::ToolButtonIconOnly) return;
    QStyleOptionToolButton opt;
    void (QToolButton::*fill)(QStyleOptionToolButton*) const = &ToolButtonAccess::initStyleOption;
    (button.*fill)(&opt);
    const QRect area = button.style()->subControlRect(QStyle::CC_ToolButton, &opt, QStyle::SC_ToolButton, &button);
    const int frame = button.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &opt, &button);
    const int room = area.width() - 2 * frame;
    const int needed = TextWidth(button.fontMetrics(), button.text());
    if (needed > room) out.push_back(Finding(button, button.text(), needed, room));
}

template <class Box, class Access>
void CheckIndicatorButton(Box& box, QStyle::SubElement contents, std::vector<std::string>& out) {
    if (box.text().isEmpty()) return;
    QStyleOptionButton opt;
    void (Box::*fill)(QStyleOptionButton*) const = &Access::initStyleOption;
    (box.*fill)(&opt);
    const QRect room = box.style()->subElementRect(contents, &opt, &box);
    const int needed = TextWidth(box.fontMetrics(), box.text());
    const int right = std::min(room.right(), box.rect().right());
    const int width = right - room.left() + 1;
    if (needed > width) out.push_back(Finding(box, box.text(), needed, width, " after its indicator"));
}

// The style sizes a title's rectangle for the text as it draws it (Fusion draws it bold) and the
// text is clipped to that rectangle and to the box.
void CheckGroupBox(QGroupBox& box, std::vector<std::string>& out) {
    if (box.title().isEmpty()) return;
    QStyleOptionGroupBox opt;
    void (QGroupBox::*fill)(QStyleOptionGroupBox*) const = &GroupBoxAccess::initStyleOption;
    (box.*fill)(&opt);
    const QRect label = box.style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, &box);
    const QRect shown = label & box.rect();
    const int needed = std::max(label.width(), box.fontMetrics().boundingRect(box.title().trimmed()).width());
    if (needed > shown.width()) out.push_back(Finding(box, box.title(), needed, shown.width(), " for its title"));
}

void CheckHeader(QHeaderView& header, std::vector<std::string>& out) {
    const QAbstractItemModel* model = header.model();
    if (model == nullptr) return;
    for (int logical = 0; logical < header.count(); ++logical) {
        if (header.isSectionHidden(logical)) continue;
        const QString text = model->headerData(logical, header.orientation()).toString();
        if (text.isEmpty()) continue;
        QStyleOptionHeader opt;
        opt.initFrom(&header);
        opt.section = logical;
        opt.orientation = header.orientation();
        opt.text = text;
        opt.textAlignment = header.defaultAlignment();
        opt.rect = QRect(0, 0, header.sectionSize(logical), header.height());
        const QRect room = header.style()->subElementRect(QStyle::SE_HeaderLabel, &opt, &header);
        const int needed = TextWidth(header.fontMetrics(), text);
        if (needed > room.width()) {
            out.push_back(PathOf(header) + " column " + std::to_string(logical) + " " + Quoted(text).toStdString() +
                          ": needs " + std::to_string(needed) + " px, has " + std::to_string(room.width()));
        }
    }
}

// A grid without headers keeps its header texts in row 0 and column 0.
void CheckGridHeaders(QTableWidget& grid, std::vector<std::string>& out) {
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    for (int row = 0; row < grid.rowCount(); ++row) {
        for (int column = 0; column < grid.columnCount(); ++column) {
            if (row != 0 && column != 0) continue;
            if (grid.isColumnHidden(column) || grid.isRowHidden(row)) continue;
            const QTableWidgetItem* item = grid.item(row, column);
            if (item == nullptr || item->text().isEmpty()) continue;
            const int needed = QFontMetrics(item->font()).horizontalAdvance(item->text()) + 2 * margin;
            const int room = grid.columnWidth(column);
            if (needed > room) {
                out.push_back(PathOf(grid) + " cell (" + std::to_string(column) + ", " + std::to_string(row) + ") " +
                              Quoted(item->text()).toStdString() + ": needs " + std::to_string(needed) + " px, has " +
                              std::to_string(room));
            }
        }
    }
}

bool InsideParent(const QWidget& w) {
    const QWidget* parent = w.parentWidget();
    if (parent == nullptr || w.isWindow()) return true;
    return QRect(QPoint(0, 0), parent->size()).contains(w.geometry());
}

bool ScrolledContents(const QWidget& w) {
    const QWidget* viewport = w.parentWidget();
    const auto* scroll = viewport != nullptr ? qobject_cast<const QScrollArea*>(viewport->parentWidget()) : nullptr;
    return scroll != nullptr && scroll->widget() == &w;
}

bool IsCaptionControl(const QWidget& w) {
    if (const auto* label = qobject_cast<const QLabel*>(&w)) return !label->text().isEmpty();
    return qobject_cast<const QAbstractButton*>(&w) || qobject_cast<const QGroupBox*>(&w);
}

}  // namespace

void ForEachVisibleControl(QWidget& root, const std::function<void(QWidget&)>& visit) {
    QApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    Walk(root, visit);
}

std::string PathOf(const QWidget& widget) {
    std::string path;
    for (const QWidget* w = &widget; w != nullptr; w = w->parentWidget()) {
        std::string name = w->objectName().toStdString();
        if (name.empty()) {
            // A labeled edit's caption and a radio group's items have no name of their own.
            const QWidget* parent = w->parentWidget();
            if (parent != nullptr) {
                for (auto* edit : parent->findChildren<forms::LabeledEdit*>(Qt::FindDirectChildrenOnly)) {
                    if (edit->EditLabel() == w) name = "(label of " + edit->objectName().toStdString() + ")";
                }
            }
            if (name.empty()) name = std::string("(") + w->metaObject()->className() + ")";
        }
        path = path.empty() ? name : name + "/" + path;
        if (w->isWindow()) break;
    }
    return path;
}

std::vector<std::string> CutCaptions(QWidget& root) {
    std::vector<std::string> out;
    ForEachVisibleControl(root, [&out](QWidget& w) {
        if (auto* label = qobject_cast<QLabel*>(&w)) {
            CheckLabel(*label, out);
        } else if (auto* push = qobject_cast<QPushButton*>(&w)) {
            CheckPushButton(*push, out);
        } else if (auto* tool = qobject_cast<QToolButton*>(&w)) {
            CheckToolButton(*tool, out);
        } else if (auto* check = qobject_cast<QCheckBox*>(&w)) {
            CheckIndicatorButton<QCheckBox, CheckBoxAccess>(*check, QStyle::SE_CheckBoxContents, out);
        } else if (auto* radio = qobject_cast<QRadioButton*>(&w)) {
            CheckIndicatorButton<QRadioButton, RadioButtonAccess>(*radio, QStyle::SE_RadioButtonContents, out);
        } else if (auto* group = qobject_cast<QGroupBox*>(&w)) {
            CheckGroupBox(*group, out);
        }
        if (auto* tree = qobject_cast<QTreeView*>(&w)) {
            if (!tree->header()->isHidden()) CheckHeader(*tree->header(), out);
        } else if (auto* grid = qobject_cast<QTableWidget*>(&w)) {
            if (!grid->horizontalHeader()->isHidden()) CheckHeader(*grid->horizontalHeader(), out);
            if (grid->horizontalHeader()->isHidden() && grid->verticalHeader()->isHidden()) {
                CheckGridHeaders(*grid, out);
            }
        }
        if (IsCaptionControl(w) && !InsideParent(w)) {
            const QRect g = w.geometry();
            out.push_back(PathOf(w) + " is cut by its parent: at (" + std::to_string(g.x()) + ", " +
                          std::to_string(g.y()) + ", " + std::to_string(g.width()) + " x " +
                          std::to_string(g.height()) + ") in " + std::to_string(w.parentWidget()->width()) + " x " +
                          std::to_string(w.parentWidget()->height()));
        }
    });
    return out;
}

std::vector<std::string> MisplacedControls(QWidget& root) {
    std::vector<std::string> out;
    std::map<QWidget*, std::vector<QWidget*>> siblings;
    ForEachVisibleControl(root, [&](QWidget& w) {
        if (!ScrolledContents(w) && !InsideParent(w)) {
            const QRect g = w.geometry();
            out.push_back(PathOf(w) + " reaches outside its parent: at (" + std::to_string(g.x()) + ", " +
                          std::to_string(g.y()) + ", " + std::to_string(g.width()) + " x " +
                          std::to_string(g.height()) + ") in " + std::to_string(w.parentWidget()->width()) + " x " +
                          std::to_string(w.parentWidget()->height()));
        }
        // The pages of a tab widget share their stack, one at a time.
        if (qobject_cast<QStackedWidget*>(w.parentWidget()) == nullptr) siblings[w.parentWidget()].push_back(&w);
    });
    for (const auto& [parent, children] : siblings) {
        for (std::size_t i = 0; i < children.size(); ++i) {
            for (std::size_t j = i + 1; j < children.size(); ++j) {
                const QWidget& a = *children[i];
                const QWidget& b = *children[j];
                if (!a.geometry().intersects(b.geometry())) continue;
                out.push_back(PathOf(a) + " and " + PathOf(b) + " overlap");
            }
        }
    }
    return out;
}

std::string Lines(const std::vector<std::string>& findings) {
    std::string text;
    for (const std::string& f : findings) text += "  " + f + "\n";
    return text;
}

}  // namespace layout_test
