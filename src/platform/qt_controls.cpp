// The controls of the tool windows over Qt's widgets: how each kind is made
// from its template, how the user's actions become notifications, and the
// operations the dialog procedures call.
#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTextLayout>

#include <algorithm>
#include <utility>

#include "platform/controls.h"
#include "platform/qt_layer.h"
#include "platform/tool_window.h"

namespace {

void notify(pl_window* dialog, unsigned id, unsigned code) {
    if (dialog && !dialog->destroyed) dispatch_message(dialog, WM_COMMAND, make_command(id, code), 0);
}

QWidget* control(pl_window* dialog, unsigned id) {
    if (!dialog || dialog->destroyed) return nullptr;
    auto it = dialog->controls.find(id);
    return it == dialog->controls.end() ? nullptr : it->second.data();
}

template <typename W>
W* control_as(pl_window* dialog, unsigned id) {
    return qobject_cast<W*>(control(dialog, id));
}

QString from_crlf(const std::string& text) {
    QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return s;
}

}  // namespace

// A bitmap shown at its real size. With CTL_NOTIFY the press of the left
// button is reported as a click as it goes down (the program starts an action
// there and ends it at the release), and a double click as such.
class picture_control : public QWidget {
public:
    picture_control(pl_window* dialog, const control_template& t, const QPixmap& pixmap, QWidget* parent)
        : QWidget(parent), dialog_(dialog), id_(t.id), notifies_(t.style & CTL_NOTIFY), pixmap_(pixmap) {}

    bool notifies() const { return notifies_; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.drawPixmap((width() - pixmap_.width()) / 2, (height() - pixmap_.height()) / 2, pixmap_);
    }
    void mousePressEvent(QMouseEvent* e) override {
        e->accept();
        if (notifies_ && e->button() == Qt::LeftButton) notify(dialog_, id_, STN_CLICKED);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {
        e->accept();
        if (notifies_ && e->button() == Qt::LeftButton) notify(dialog_, id_, STN_DBLCLK);
    }
    void mouseReleaseEvent(QMouseEvent* e) override { e->accept(); }

private:
    pl_window* dialog_;
    unsigned id_;
    bool notifies_;
    QPixmap pixmap_;
};

// A single-selection list the user cannot empty: a click beside the entries,
// or Ctrl with a click or Space on the chosen one, keeps the selection (only
// the program clears it), so the list always shows what was chosen last.
//
// It tells its dialog of the user's choice as a list box always has: a key
// that moves the selection tells at once; the mouse tells once, as the left
// button goes up, for the entry then chosen: a click on the entry already
// chosen tells too, and a drag over the entries moves the selection
// silently until the release.
class list_control : public QListWidget {
public:
    list_control(pl_window* dialog, unsigned id, QWidget* parent) : QListWidget(parent), dialog_(dialog), id_(id) {
        QObject::connect(this, &QListWidget::itemSelectionChanged, this, [this] {
            if (pressed_) chosen_ = true;
            else notify(dialog_, id_, LBN_SELCHANGE);
        });
    }

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index, const QEvent* event) const override {
        // only the left button chooses
        const auto* mouse = event && event->type() >= QEvent::MouseButtonPress && event->type() <= QEvent::MouseMove
                                ? static_cast<const QMouseEvent*>(event) : nullptr;
        if (mouse && !(mouse->buttons() & Qt::LeftButton) && mouse->button() != Qt::LeftButton)
            return QItemSelectionModel::NoUpdate;
        const QItemSelectionModel::SelectionFlags flags = QListWidget::selectionCommand(index, event);
        return !index.isValid() || (flags & QItemSelectionModel::Deselect) ? QItemSelectionModel::NoUpdate : flags;
    }
    void mousePressEvent(QMouseEvent* e) override {
        press(e);
        QListWidget::mousePressEvent(e);
    }
    void mouseDoubleClickEvent(QMouseEvent* e) override {  // the second press of a quick second click
        press(e);
        QListWidget::mouseDoubleClickEvent(e);
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        QListWidget::mouseReleaseEvent(e);
        if (e->button() != Qt::LeftButton || !pressed_) return;
        pressed_ = false;
        if (std::exchange(chosen_, false) && !selectedItems().isEmpty()) notify(dialog_, id_, LBN_SELCHANGE);
    }
    void hideEvent(QHideEvent* e) override {  // hidden under the pointer: no release comes
        pressed_ = chosen_ = false;
        QListWidget::hideEvent(e);
    }

private:
    void press(QMouseEvent* e) {
        if (e->button() != Qt::LeftButton) return;
        pressed_ = true;
        chosen_ = indexAt(e->position().toPoint()).isValid();  // pressed on an entry
    }

    pl_window* dialog_;
    unsigned id_;
    bool pressed_ = false;  // the left button went down on the list and is still down
    bool chosen_ = false;   // an entry was pressed or the selection moved since
};

// Builds one control of a tool window at its place (pixels) inside parent.
QWidget* create_control(pl_window* dialog, const control_template& t, const QRect& place, QWidget* parent) {
    const QString text = t.text ? QString::fromUtf8(t.text) : QString();
    const unsigned id = t.id;
    QWidget* w = nullptr;
    switch (t.kind) {
    case CTL_GROUP_BOX: {
        auto* box = new QGroupBox(text, parent);
        box->setAlignment(t.style & CTL_CENTER ? Qt::AlignHCenter : Qt::AlignLeft);
        box->setFocusPolicy(Qt::NoFocus);
        w = box;
        break;
    }
    case CTL_TEXT: {
        auto* label = new QLabel(text, parent);
        label->setAlignment((t.style & CTL_CENTER ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setWordWrap(true);
        w = label;
        break;
    }
    case CTL_PICTURE: {
        QPixmap pixmap(QString(":/res/bitmap%1.bmp").arg(t.bitmap));
        auto* picture = new picture_control(dialog, t, pixmap, parent);
        QRect r = place;
        if ((t.style & CTL_REAL_SIZE) && !(t.style & CTL_CENTER_IMAGE) && !pixmap.isNull())
            r.setSize(pixmap.size());  // the control takes its bitmap's size
        picture->setGeometry(r);
        w = picture;
        break;
    }
    case CTL_LIST_BOX: {
        auto* list = new list_control(dialog, id, parent);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        list->setUniformItemSizes(true);
        w = list;
        break;
    }
    case CTL_DROP_DOWN: {
        auto* combo = new QComboBox(parent);
        // every entry the user chooses, with the mouse, the keys or the
        // wheel, the one already shown too
        QObject::connect(combo, &QComboBox::activated, combo, [dialog, id](int) { notify(dialog, id, CBN_SELCHANGE); });
        // the template's height includes the dropped list; the closed box is one line high
        QRect r = place;
        r.setHeight(combo->sizeHint().height());
        combo->setGeometry(r);
        w = combo;
        break;
    }
    case CTL_EDIT: {
        auto* edit = new QTextEdit(parent);
        edit->setReadOnly(true);
        edit->setAcceptRichText(false);
        edit->setUndoRedoEnabled(false);  // appended reports would pile up in an undo history
        edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        edit->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        edit->setGeometry(place);
        edit->ensurePolished();
        // Wrap at the width the text has inside the frame and beside the scroll
        // bar, fixed now: the lines are counted while the panel may still be
        // hidden, before the toolkit would lay it out.
        int wrap = place.width() - 2 * edit->frameWidth() - edit->verticalScrollBar()->sizeHint().width();
        edit->setLineWrapMode(QTextEdit::FixedPixelWidth);
        edit->setLineWrapColumnOrWidth(std::max(wrap, 1));
        edit->setPlainText(text);
        w = edit;
        break;
    }
    case CTL_BUTTON: {
        auto* button = new QPushButton(text, parent);
        button->setAutoDefault(false);
        button->setDefault(t.style & CTL_DEFAULT);
        QObject::connect(button, &QPushButton::clicked, button, [dialog, id] { notify(dialog, id, BN_CLICKED); });
        w = button;
        break;
    }
    }
    if (t.kind != CTL_PICTURE && t.kind != CTL_DROP_DOWN) w->setGeometry(place);
    if (t.kind != CTL_GROUP_BOX && t.kind != CTL_TEXT && t.kind != CTL_PICTURE)
        w->setFocusPolicy(t.style & CTL_TAB_STOP ? Qt::StrongFocus : Qt::ClickFocus);
    else
        w->setFocusPolicy(Qt::NoFocus);
    if (t.name) w->setAccessibleName(QString::fromUtf8(t.name));
    return w;
}

// The user pressing a picture button, for the layer's own keyboard handling.
bool is_default_button(QWidget* w) {
    auto* b = qobject_cast<QPushButton*>(w);
    return b && b->isDefault();
}

bool is_picture_button(QObject* object) {
    auto* p = dynamic_cast<picture_control*>(object);
    return p && p->notifies();
}

// ---- List boxes and drop-down lists ---------------------------------------------

int list_add(pl_window* dialog, unsigned id, const char* text) {
    const QString s = QString::fromUtf8(text ? text : "");
    if (auto* list = control_as<QListWidget>(dialog, id)) {
        QSignalBlocker quiet(list);
        list->addItem(s);
        return list->count() - 1;
    }
    if (auto* combo = control_as<QComboBox>(dialog, id)) {
        QSignalBlocker quiet(combo);
        combo->addItem(s);
        // a drop-down list shows no entry until one is chosen
        if (combo->count() == 1) combo->setCurrentIndex(-1);
        return combo->count() - 1;
    }
    return -1;
}

void list_clear(pl_window* dialog, unsigned id) {
    if (auto* list = control_as<QListWidget>(dialog, id)) {
        QSignalBlocker quiet(list);
        list->clear();
    } else if (auto* combo = control_as<QComboBox>(dialog, id)) {
        QSignalBlocker quiet(combo);
        combo->clear();
    }
}

int list_count(pl_window* dialog, unsigned id) {
    if (auto* list = control_as<QListWidget>(dialog, id)) return list->count();
    if (auto* combo = control_as<QComboBox>(dialog, id)) return combo->count();
    return 0;
}

void list_select(pl_window* dialog, unsigned id, int index) {
    if (auto* list = control_as<QListWidget>(dialog, id)) {
        QSignalBlocker quiet(list);
        if (index >= 0 && index < list->count()) {
            list->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
            list->scrollToItem(list->item(index));
        } else {
            list->clearSelection();
            list->setCurrentRow(-1);
        }
    } else if (auto* combo = control_as<QComboBox>(dialog, id)) {
        QSignalBlocker quiet(combo);
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
    }
}

int list_selection(pl_window* dialog, unsigned id) {
    if (auto* list = control_as<QListWidget>(dialog, id)) {
        const QList<QListWidgetItem*> chosen = list->selectedItems();
        return chosen.isEmpty() ? -1 : list->row(chosen.first());
    }
    if (auto* combo = control_as<QComboBox>(dialog, id)) return combo->currentIndex();
    return -1;
}

bool list_text(pl_window* dialog, unsigned id, int index, std::string& text) {
    QString s;
    if (auto* list = control_as<QListWidget>(dialog, id); list && index >= 0 && index < list->count())
        s = list->item(index)->text();
    else if (auto* combo = control_as<QComboBox>(dialog, id); combo && index >= 0 && index < combo->count())
        s = combo->itemText(index);
    else
        return false;
    text = s.toStdString();
    return true;
}

bool list_set_text(pl_window* dialog, unsigned id, int index, const char* text) {
    const QString s = QString::fromUtf8(text ? text : "");
    if (auto* list = control_as<QListWidget>(dialog, id); list && index >= 0 && index < list->count()) {
        QSignalBlocker quiet(list);
        list->item(index)->setText(s);  // an unchanged text costs no repaint
        return true;
    }
    if (auto* combo = control_as<QComboBox>(dialog, id); combo && index >= 0 && index < combo->count()) {
        QSignalBlocker quiet(combo);
        combo->setItemText(index, s);
        return true;
    }
    return false;
}

// ---- Texts ----------------------------------------------------------------------

std::string control_text(pl_window* dialog, unsigned id) {
    QWidget* w = control(dialog, id);
    QString s;
    if (auto* edit = qobject_cast<QTextEdit*>(w)) {
        s = edit->toPlainText();
        s.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        s = label->text();
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        s = button->text();
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        s = box->title();
    } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
        s = combo->currentText();
    }
    return s.toStdString();
}

void set_control_text(pl_window* dialog, unsigned id, const std::string& text) {
    QWidget* w = control(dialog, id);
    if (auto* edit = qobject_cast<QTextEdit*>(w)) {
        edit->setPlainText(from_crlf(text));
    } else if (auto* label = qobject_cast<QLabel*>(w)) {
        label->setText(QString::fromStdString(text));
    } else if (auto* button = qobject_cast<QPushButton*>(w)) {
        button->setText(QString::fromStdString(text));
    } else if (auto* box = qobject_cast<QGroupBox*>(w)) {
        box->setTitle(QString::fromStdString(text));
    }
}

// ---- Multi-line text ----------------------------------------------------------------

namespace {

// The document of a multi-line text, laid out completely.
QTextDocument* laid_out(pl_window* dialog, unsigned id) {
    auto* edit = control_as<QTextEdit>(dialog, id);
    if (!edit) return nullptr;
    QTextDocument* doc = edit->document();
    doc->documentLayout()->documentSize();  // finishes the layout of every block
    return doc;
}

int displayed_lines(const QTextBlock& block) {
    return block.layout() ? std::max(block.layout()->lineCount(), 1) : 1;
}

}  // namespace

int edit_line_count(pl_window* dialog, unsigned id) {
    QTextDocument* doc = laid_out(dialog, id);
    if (!doc) return 0;
    int n = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) n += displayed_lines(b);
    return n;
}

int edit_line_length(pl_window* dialog, unsigned id, int char_index) {
    QTextDocument* doc = laid_out(dialog, id);
    if (!doc) return 0;
    // Each block is one line of the text; in the text a CR LF follows it.
    int start = 0;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const int length = b.length() - 1;  // without the block separator
        if (char_index < start + length + 2 || !b.next().isValid()) {
            const int in_block = std::clamp(char_index - start, 0, length);
            QTextLayout* layout = b.layout();
            if (!layout || layout->lineCount() == 0) return length;
            QTextLine line = layout->lineForTextPosition(in_block);
            if (!line.isValid()) line = layout->lineAt(layout->lineCount() - 1);
            return line.textLength();
        }
        start += length + 2;
    }
    return 0;
}

void edit_append(pl_window* dialog, unsigned id, const std::string& text) {
    auto* edit = control_as<QTextEdit>(dialog, id);
    if (!edit || text.empty()) return;
    QTextCursor end(edit->document());
    end.movePosition(QTextCursor::End);
    end.insertText(from_crlf(text));
}

bool edit_remove_first_line(pl_window* dialog, unsigned id) {
    auto* edit = control_as<QTextEdit>(dialog, id);
    if (!edit || edit->document()->blockCount() < 2) return false;
    QTextCursor first(edit->document());
    first.movePosition(QTextCursor::NextBlock, QTextCursor::KeepAnchor);  // the line and its break
    first.removeSelectedText();
    return true;
}

void edit_scroll(pl_window* dialog, unsigned id, int lines) {
    auto* edit = control_as<QTextEdit>(dialog, id);
    if (!edit) return;
    laid_out(dialog, id);
    QScrollBar* bar = edit->verticalScrollBar();
    const qint64 step = edit->fontMetrics().lineSpacing();
    bar->setValue(static_cast<int>(std::clamp<qint64>(bar->value() + step * lines, bar->minimum(), bar->maximum())));
}
