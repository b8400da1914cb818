// The window layer's tool windows and controls with real Qt widgets and real input events.
// One main window, one panel and one popup serve every test.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QFrame>
#include <QListWidget>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <QWheelEvent>

#include "platform/controls.h"
#include "platform/qt_layer.h"
#include "platform/tool_window.h"

namespace {

enum : unsigned { GROUP = 10, LABEL, PICTURE, LIST, DROP, EDIT, BUTTON, OK = 20, CHOICES };

constexpr control_template PANEL_CONTROLS[] = {
    {GROUP, CTL_GROUP_BOX, CTL_CENTER, 4, 4, 150, 100, "Group", 0, nullptr},
    {LABEL, CTL_TEXT, CTL_CENTER, 8, 14, 60, 8, "Label", 0, nullptr},
    {PICTURE, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 8, 26, 32, 16, nullptr, 113, "Tilt down"},
    {LIST, CTL_LIST_BOX, CTL_TAB_STOP, 80, 14, 60, 60, nullptr, 0, "Things"},
    {DROP, CTL_DROP_DOWN, CTL_TAB_STOP, 8, 80, 60, 50, nullptr, 0, nullptr},
    {EDIT, CTL_EDIT, 0, 160, 4, 100, 60, "", 0, "Text"},
    {BUTTON, CTL_BUTTON, CTL_TAB_STOP | CTL_DEFAULT, 160, 80, 50, 14, "Press", 0, nullptr},
};
constexpr dialog_template PANEL = {1, DLG_PANEL, true, 10, 10, 270, 110, "Test Panel", "MS Sans Serif", 8,
                                   PANEL_CONTROLS, 7};
constexpr control_template POPUP_CONTROLS[] = {
    {CHOICES, CTL_LIST_BOX, CTL_TAB_STOP, 4, 4, 60, 30, nullptr, 0, nullptr},
    {OK, CTL_BUTTON, CTL_DEFAULT | CTL_TAB_STOP, 20, 40, 50, 14, "OK", 0, nullptr},
};
constexpr dialog_template POPUP = {2, DLG_POPUP, false, 0, 0, 100, 60, "Test Popup", "MS Sans Serif", 8,
                                   POPUP_CONTROLS, 2};

struct message {
    pl_window* window;
    unsigned number;
    wparam w;
    int selection;  // for a command, the selection of its control when it came
};
std::vector<message> got;
bool capture_on_click = false;  // the procedure takes the capture as a picture is pressed

intptr_t record(pl_window* window, unsigned number, wparam w, lparam) {
    if (number == WM_PAINT || number == WM_SIZE || number == WM_TIMER) return 0;
    got.push_back({window, number, w, number == WM_COMMAND ? list_selection(window, w & 0xFFFF) : -1});
    if (number == WM_COMMAND && w == make_command(PICTURE, STN_CLICKED) && capture_on_click) set_capture(window);
    return 1;
}

class Layer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "test_layer", *argv[] = {name, nullptr};
        ASSERT_TRUE(platform_start(argc, argv, nullptr)) << "no display: run under xvfb-run";
        main = create_frame_window("Layer test", 800, 600, record);
        show_window(main);
        ASSERT_TRUE(view_context(main));
        panel = create_dialog(PANEL, main, record);
        popup = create_dialog(POPUP, main, record);
        ASSERT_TRUE(panel && popup);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main->widget));
    }
    void SetUp() override {
        show_window(panel), show_window(popup), release_capture(), capture_on_click = false;
        list_clear(panel, LIST), list_clear(panel, DROP), list_clear(popup, CHOICES);
        set_control_text(panel, EDIT, ""), set_control_text(panel, BUTTON, "Press");
        QCoreApplication::processEvents(), got.clear();
    }
    template <typename W = QWidget>
    static W* control(pl_window* dialog, unsigned id) { return qobject_cast<W*>(dialog->controls.at(id).data()); }
    // what a window's procedure got: the first parameters of its commands, or the numbers of all its messages
    static std::vector<wparam> commands(pl_window* window, bool all = false) {
        std::vector<wparam> c;
        for (const message& m : got)
            if (m.window == window && (all || m.number == WM_COMMAND)) c.push_back(all ? m.number : m.w);
        return c;
    }
    static std::vector<wparam> messages(pl_window* window) { return commands(window, true); }
    // Each press of key moves the keyboard focus on to the next widget of order.
    static void expect_focus_moves(Qt::Key key, std::initializer_list<QWidget*> order) {
        for (QWidget* next : order) {
            QTest::keyClick(QApplication::focusWidget(), key);
            EXPECT_TRUE(QTest::qWaitFor([next] { return QApplication::focusWidget() == next; }, 1000));
        }
    }
    static inline pl_window *main = nullptr, *panel = nullptr, *popup = nullptr;
};

using wparams = std::vector<wparam>;  // as commands() and messages() give them

TEST_F(Layer, ControlsStandWhereTheirTemplatesPutThemInDialogUnits) {
    QWidget* client = control(panel, LABEL)->parentWidget();
    EXPECT_EQ(QFontInfo(client->font()).family().toStdString(), dialog_font_face());
    const QFontMetrics fm(client->font());
    const int base_x = (fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") / 26 + 1) / 2;
    for (int n : {1, 3, 4, 7, 60, 270}) {
        EXPECT_EQ(dialog_units_x(n), (n * base_x + 2) / 4) << n;
        EXPECT_EQ(dialog_units_y(n), (n * fm.height() + 4) / 8) << n;
    }
    const int edge = qobject_cast<QFrame*>(client)->frameWidth();
    EXPECT_EQ(client->contentsRect().size(), QSize(dialog_units_x(270), dialog_units_y(110)));
    for (const control_template& t : PANEL_CONTROLS) {
        QRect want(dialog_units_x(t.x) + edge, dialog_units_y(t.y) + edge, dialog_units_x(t.cx), dialog_units_y(t.cy));
        QRect is = control(panel, t.id)->geometry();
        if (t.kind == CTL_PICTURE) want.setSize({64, 32});  // the bitmap's own size
        EXPECT_TRUE(t.kind != CTL_DROP_DOWN || is.height() < want.height()) << t.id << " closed: one line high";
        if (t.kind == CTL_DROP_DOWN) is.setHeight(want.height());
        EXPECT_EQ(is, want) << t.id;
    }
    // the panel lies inside the main window's client area; the popup is a window of its own, centred on its owner
    // beside the view, not inside it
    EXPECT_TRUE(panel->widget->parentWidget() == panel_area(main) && client_area(main)->parentWidget() == panel_area(main));
    EXPECT_EQ(panel->widget->pos(), QPoint(dialog_units_x(10), dialog_units_y(10)));
    EXPECT_TRUE(popup->widget->isWindow());
    EXPECT_LE((popup->widget->frameGeometry().center() - main->widget->frameGeometry().center()).manhattanLength(), 40);
}

TEST_F(Layer, TheUsersChoicesNotifyAndTheProgramsDoNot) {
    QWidget* picture = control(panel, PICTURE);
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(commands(panel), wparams{make_command(PICTURE, STN_CLICKED)});  // while the button is still down
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseDClick(picture, Qt::LeftButton, {}, QPoint(5, 5));  // the second press, as Qt reports it
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(commands(panel), (wparams{make_command(PICTURE, STN_CLICKED), make_command(PICTURE, STN_DBLCLK)}));

    got.clear();
    for (const char* entry : {"one", "two", "three"}) list_add(panel, LIST, entry), list_add(panel, DROP, entry);
    EXPECT_EQ(std::tuple(list_count(panel, LIST), list_count(panel, DROP), list_selection(panel, DROP)),
              std::tuple(3, 3, -1));  // a drop-down shows nothing until an entry is chosen
    list_select(panel, LIST, 1), list_select(panel, DROP, 2);
    set_control_text(panel, EDIT, "x"), set_control_text(panel, BUTTON, "Go");
    EXPECT_EQ(std::tuple(list_selection(panel, LIST), list_selection(panel, DROP)), std::tuple(1, 2));
    // the chosen entry given another text in place stays chosen; an entry the list does not have is none to change
    std::string text;
    EXPECT_TRUE(list_set_text(panel, LIST, 1, "deux") && !list_set_text(panel, LIST, 7, "x"));
    EXPECT_TRUE(list_text(panel, LIST, 1, text) && text == "deux" && list_selection(panel, LIST) == 1) << text;
    list_select(panel, LIST, 7);  // no such entry: no selection
    EXPECT_EQ(list_selection(panel, LIST), -1);
    EXPECT_TRUE(commands(panel).empty());

    // A list tells of the mouse once, at the release, for the entry then chosen (the one chosen
    // already too), and of every key that moves the selection at once.
    auto* list = control<QListWidget>(panel, LIST);
    QWidget* entries = list->viewport();
    auto at = [list](int row) { return list->visualItemRect(list->item(row)).center(); };
    QTest::mousePress(entries, Qt::LeftButton, {}, at(2));
    EXPECT_TRUE(got.empty()) << "told as the button went down";
    QTest::mouseRelease(entries, Qt::LeftButton, {}, at(2));
    QTest::mouseClick(entries, Qt::LeftButton, {}, at(2));  // again (drags: the test through the screen)
    for (int i = 0; i < 3; ++i) QTest::keyClick(list, Qt::Key_Up);  // the third on the first entry: nothing is told
    // a single-selection list the user cannot empty, and only the left button chooses: beside the
    // entries, Ctrl on the chosen one, the right button
    const QPoint below(5, entries->height() - 3);
    ASSERT_FALSE(list->indexAt(below).isValid());
    QTest::mouseClick(entries, Qt::LeftButton, {}, below);
    QTest::mouseClick(entries, Qt::LeftButton, Qt::ControlModifier, at(0));  // a click on the chosen entry
    QTest::keyClick(list, Qt::Key_Space, Qt::ControlModifier);
    QTest::mouseClick(entries, Qt::RightButton, {}, at(2));
    EXPECT_EQ(list_selection(panel, LIST), 0);
    QTest::keyClick(control(panel, DROP), Qt::Key_Up);
    QTest::mouseClick(control(panel, BUTTON), Qt::LeftButton);
    std::vector<std::pair<wparam, int>> seen;  // each with the selection readable as it came
    for (const message& m : got) seen.emplace_back(m.w, m.selection);
    const wparam changed = make_command(LIST, LBN_SELCHANGE);
    EXPECT_EQ(seen, (decltype(seen){{changed, 2}, {changed, 2}, {changed, 1}, {changed, 0}, {changed, 0},
                                    {make_command(DROP, CBN_SELCHANGE), 1}, {make_command(BUTTON, BN_CLICKED), -1}}));
    got.clear(), list_clear(panel, LIST), list_clear(panel, DROP);
    EXPECT_TRUE(got.empty());
}

TEST_F(Layer, ACapturingPanelGetsTheReleaseWhereverItHappens) {
    capture_on_click = true;
    QWidget *view = client_area(main), *picture = control(panel, PICTURE);
    const QPoint far(view->width() - 10, view->height() - 10);
    ASSERT_FALSE(panel->widget->geometry().contains(far));
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(capture_window(), panel);
    got.clear();
    QTest::mouseMove(view, far);  // dragged out over the map: the panel's, not the map's
    QTest::mouseRelease(view, Qt::LeftButton, {}, far);
    EXPECT_EQ(messages(panel), (wparams{WM_MOUSEMOVE, WM_LBUTTONUP}));
    EXPECT_TRUE(messages(main).empty());
    // released where it was pressed (where Qt itself sends the release)
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(5, 5));
    got.clear();
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(messages(panel), wparams{WM_LBUTTONUP});

    release_capture();
    got.clear();
    QTest::mousePress(view, Qt::LeftButton, {}, far);
    QTest::mouseRelease(view, Qt::LeftButton, {}, far);
    EXPECT_TRUE(messages(panel).empty());  // without the capture the view's own window gets them
    EXPECT_EQ(messages(main), (wparams{WM_LBUTTONDOWN, WM_LBUTTONUP}));
}

TEST_F(Layer, ClicksAndTheWheelOnAPanelNeverReachTheViewBehindIt) {
    auto wheel = [](QWidget* w, QPoint at) {
        QWheelEvent e(at, w->mapToGlobal(at), {}, {0, 120}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(w, &e);
    };
    QWidget* caption = panel->widget->childAt(panel->widget->width() / 2, 6);
    ASSERT_TRUE(caption && caption != control(panel, LABEL)->parentWidget());
    for (QWidget* w : {control(panel, GROUP), control(panel, LABEL), control(panel, PICTURE), caption,
                       panel->widget.data()}) {
        for (Qt::MouseButton button : {Qt::LeftButton, Qt::RightButton}) {
            QTest::mouseClick(w, button, {}, QPoint(1, 1));
            QTest::mouseDClick(w, button, {}, QPoint(1, 1));
            QTest::mouseRelease(w, button, {}, QPoint(1, 1));
        }
        wheel(w, QPoint(1, 1));
    }
    QTest::keyClick(control(panel, BUTTON), Qt::Key_A);
    EXPECT_TRUE(messages(main).empty());
    // the view itself gets them
    QWidget* view = client_area(main);
    const QPoint far(view->width() - 10, view->height() - 10);
    QTest::mouseClick(view, Qt::LeftButton, {}, far);
    wheel(view, far);
    EXPECT_EQ(messages(main), (wparams{WM_LBUTTONDOWN, WM_LBUTTONUP, WM_MOUSEWHEEL}));
}

TEST_F(Layer, TabStaysInItsWindowEscapeCancelsEnterPressesTheDefaultButton) {
    QWidget *list = control(panel, LIST), *drop = control(panel, DROP), *button = control(panel, BUTTON);
    hide_window(popup);
    main->widget->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main->widget));
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([list] { return QApplication::focusWidget() == list; }, 1000));
    expect_focus_moves(Qt::Key_Tab, {drop, button, list, drop});
    expect_focus_moves(Qt::Key_Backtab, {list, button});
    QTest::keyClick(list, Qt::Key_Escape);
    QTest::keyClick(drop, Qt::Key_Escape);
    QTest::keyClick(list, Qt::Key_Return);
    EXPECT_EQ(commands(panel), (wparams{IDCANCEL, IDCANCEL, make_command(BUTTON, BN_CLICKED)}));
    EXPECT_TRUE(messages(main).empty());

    got.clear();
    show_window(popup);
    popup->widget->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(popup->widget));
    QWidget *choices = control(popup, CHOICES), *ok = control(popup, OK);
    set_focus_control(popup, CHOICES);
    ASSERT_TRUE(QTest::qWaitFor([choices] { return QApplication::focusWidget() == choices; }, 1000));
    expect_focus_moves(Qt::Key_Tab, {ok, choices});
    QTest::keyClick(choices, Qt::Key_Return);  // the focus on another control: still the default button
    QTest::keyClick(choices, Qt::Key_Enter);
    QTest::keyClick(ok, Qt::Key_Return);
    QTest::keyClick(ok, Qt::Key_Escape);
    const wparam pressed = make_command(OK, BN_CLICKED);
    EXPECT_EQ(commands(popup), (wparams{pressed, pressed, pressed, IDCANCEL}));
    EXPECT_TRUE(commands(panel).empty() && commands(main).empty());
}

TEST_F(Layer, CloseBoxesCancelAndDestroyNothing) {
    QToolButton* close = panel->widget->findChild<QToolButton*>();
    ASSERT_TRUE(close);
    QTest::mouseClick(close, Qt::LeftButton);
    popup->widget->close();
    EXPECT_EQ(std::pair(commands(panel), commands(popup)), std::pair(wparams{IDCANCEL}, wparams{IDCANCEL}));
    EXPECT_TRUE(window_visible(panel) && window_visible(popup));  // hiding is the procedure's choice
    hide_window(popup);
    EXPECT_FALSE(window_visible(popup) || popup->destroyed);
}

TEST_F(Layer, MultiLineTextCountsTheLinesItDisplays) {
    auto shown = [] { return std::pair(edit_line_count(panel, EDIT), control_text(panel, EDIT)); };
    EXPECT_EQ(shown(), std::pair(1, std::string()));
    set_control_text(panel, EDIT, "one\r\ntwo\r\n");
    EXPECT_EQ(shown(), std::pair(3, std::string("one\r\ntwo\r\n")));  // the empty line after the last break counts

    // a line far wider than the control wraps into displayed lines that fit it
    const std::string words = "many words that go on and on well past the edge of the narrow control";
    set_control_text(panel, EDIT, words + "\r\nend");
    const int wrapped = edit_line_count(panel, EDIT) - 1;
    EXPECT_GT(wrapped, 1);
    auto* edit = control<QTextEdit>(panel, EDIT);
    const int room = edit->viewport()->width() - 2 * int(edit->document()->documentMargin());
    std::string joined;
    int parts = 0;
    for (int at = 0, length; at < int(words.size()) && parts <= wrapped; at += length, ++parts) {
        length = edit_line_length(panel, EDIT, at);
        ASSERT_GT(length, 0) << at;
        const QString part = QString::fromStdString(words.substr(at, length));
        EXPECT_LE(edit->fontMetrics().horizontalAdvance(part.trimmed()), room) << part.toStdString();
        joined += words.substr(at, length);
    }
    EXPECT_EQ(std::tuple(parts, joined), std::tuple(wrapped, words));  // as many parts as counted lines

    // counted alike while the panel is hidden, and after adding to the text
    hide_window(panel);
    set_control_text(panel, EDIT, words);
    EXPECT_EQ(edit_line_count(panel, EDIT), wrapped);
    edit_append(panel, EDIT, "\r\n" + words + "\r\nmore");
    EXPECT_EQ(edit_line_count(panel, EDIT), 2 * wrapped + 1);
    show_window(panel);
    QCoreApplication::processEvents();
    EXPECT_EQ(edit_line_count(panel, EDIT), 2 * wrapped + 1);
    EXPECT_TRUE(edit_remove_first_line(panel, EDIT) && edit_remove_first_line(panel, EDIT));
    EXPECT_FALSE(edit_remove_first_line(panel, EDIT));  // one line left: it stays
    EXPECT_EQ(control_text(panel, EDIT), "more");
}

TEST_F(Layer, ScreenReadersFindTheWindowsAndControlsByName) {
    using named = std::pair<QAccessible::Role, std::string>;
    auto as_read = [](QAccessibleInterface* a) {
        return a ? named(a->role(), a->text(QAccessible::Name).toStdString()) : named(QAccessible::NoRole, "none");
    };
    auto of = [&](QObject* o) { return as_read(QAccessible::queryAccessibleInterface(o)); };
    EXPECT_EQ(of(control(panel, PICTURE)), named(QAccessible::Button, "Tilt down"));
    EXPECT_EQ(of(panel->widget), named(QAccessible::Dialog, "Test Panel"));
    EXPECT_EQ(of(control(panel, BUTTON)), named(QAccessible::Button, "Press"));
    for (const char* entry : {"alpha", "beta"}) list_add(panel, LIST, entry);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control(panel, LIST));
    ASSERT_TRUE(list && list->childCount() == 2);
    EXPECT_EQ(std::tuple(as_read(list).second, as_read(list->child(1)).second), std::tuple("Things", "beta"));
}

}  // namespace
