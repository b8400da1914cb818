// The window layer's tool windows and controls with real Qt widgets and real
// input events: placement in dialog units, notifications, capture, keys,
// clicks that stay in their panel, multi-line text and screen readers.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>
#include <QToolButton>

#include <vector>

#include "platform/controls.h"
#include "platform/qt_layer.h"
#include "platform/tool_window.h"

namespace {

enum : unsigned { GROUP = 10, LABEL, PICTURE, LIST, DROP, EDIT, BUTTON, OK = 20 };

constexpr control_template PANEL_CONTROLS[] = {
    {GROUP, CTL_GROUP_BOX, CTL_CENTER, 4, 4, 150, 100, "Group", 0, nullptr},
    {LABEL, CTL_TEXT, CTL_CENTER, 8, 14, 60, 8, "Label", 0, nullptr},
    {PICTURE, CTL_PICTURE, CTL_NOTIFY | CTL_REAL_SIZE, 8, 26, 32, 16, nullptr, 113, "Tilt down"},
    {LIST, CTL_LIST_BOX, CTL_TAB_STOP, 80, 14, 60, 60, nullptr, 0, "Things"},
    {DROP, CTL_DROP_DOWN, CTL_TAB_STOP, 8, 80, 60, 50, nullptr, 0, nullptr},
    {EDIT, CTL_EDIT, 0, 160, 4, 100, 60, "", 0, "Text"},
    {BUTTON, CTL_BUTTON, CTL_TAB_STOP, 160, 80, 50, 14, "Press", 0, nullptr},
};
constexpr dialog_template PANEL = {1, DLG_PANEL, true, 10, 10, 270, 110, "Test Panel", "MS Sans Serif", 8,
                                   PANEL_CONTROLS, 7};
constexpr control_template POPUP_CONTROLS[] = {
    {OK, CTL_BUTTON, CTL_DEFAULT | CTL_TAB_STOP, 20, 20, 50, 14, "OK", 0, nullptr},
};
constexpr dialog_template POPUP = {2, DLG_POPUP, false, 0, 0, 100, 60, "Test Popup", "MS Sans Serif", 8, POPUP_CONTROLS, 1};

struct message {
    pl_window* window;
    unsigned number;
    wparam w;
    int selection;  // the list's selection when the message came
    bool button_down;
    bool operator==(const message& o) const { return window == o.window && number == o.number && w == o.w; }
};
std::vector<message> got;
bool capture_on_click = false;

intptr_t record(pl_window* window, unsigned number, wparam w, lparam) {
    if (number == WM_PAINT || number == WM_SIZE || number == WM_TIMER) return 0;
    got.push_back({window, number, w, list_selection(window, LIST),
                   bool(QApplication::mouseButtons() & Qt::LeftButton)});
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
        QCoreApplication::processEvents(), got.clear();
    }
    template <typename W = QWidget>
    static W* control(pl_window* dialog, unsigned id) { return qobject_cast<W*>(dialog->controls.at(id).data()); }
    static std::vector<message> commands(pl_window* window) {
        std::vector<message> c;
        for (const message& m : got)
            if (m.window == window && m.number == WM_COMMAND) c.push_back(m);
        return c;
    }
    static inline pl_window *main = nullptr, *panel = nullptr, *popup = nullptr;
};

TEST_F(Layer, ControlsStandWhereTheirTemplatesPutThemInDialogUnits) {
    EXPECT_GT(dialog_units_x(4), 3);  // one average character of the dialog font
    EXPECT_GT(dialog_units_y(8), 8);
    QWidget* label = control(panel, LABEL);
    QWidget* client = label->parentWidget();
    const int edge = qobject_cast<QFrame*>(client)->frameWidth();
    EXPECT_EQ(label->geometry(), QRect(dialog_units_x(8) + edge, dialog_units_y(14) + edge, dialog_units_x(60),
                                       dialog_units_y(8)));
    EXPECT_EQ(client->contentsRect().size(), QSize(dialog_units_x(270), dialog_units_y(110)));
    EXPECT_EQ(control(panel, PICTURE)->size(), QSize(64, 32));  // a bitmap at its real size
    EXPECT_EQ(control(panel, PICTURE)->pos(), QPoint(dialog_units_x(8) + edge, dialog_units_y(26) + edge));
    // the panel lies inside the main window's client area; the popup is a window of its own, centred on its owner
    EXPECT_EQ(panel->widget->parentWidget(), client_area(main));
    EXPECT_EQ(panel->widget->pos(), QPoint(dialog_units_x(10), dialog_units_y(10)));
    EXPECT_TRUE(popup->widget->isWindow());
    EXPECT_LE((popup->widget->frameGeometry().center() - main->widget->frameGeometry().center()).manhattanLength(), 40);
    EXPECT_STREQ(dialog_font_face(), "Liberation Sans");
}

TEST_F(Layer, TheUsersChoicesNotifyAndTheProgramsDoNot) {
    QWidget* picture = control(panel, PICTURE);
    QTest::mousePress(picture, Qt::LeftButton, {}, QPoint(5, 5));
    ASSERT_EQ(commands(panel).size(), 1u);
    EXPECT_EQ(commands(panel)[0].w, make_command(PICTURE, STN_CLICKED));  // as the button goes down
    QTest::mouseRelease(picture, Qt::LeftButton, {}, QPoint(5, 5));
    QMouseEvent twice(QEvent::MouseButtonDblClick, QPointF(5, 5), picture->mapToGlobal(QPointF(5, 5)), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(picture, &twice);
    EXPECT_EQ(commands(panel).back().w, make_command(PICTURE, STN_DBLCLK));

    got.clear();
    for (const char* entry : {"one", "two", "three"}) list_add(panel, LIST, entry), list_add(panel, DROP, entry);
    list_select(panel, LIST, 1), list_select(panel, DROP, 2), set_control_text(panel, EDIT, "x");
    EXPECT_TRUE(commands(panel).empty());
    EXPECT_EQ(std::tuple(list_selection(panel, LIST), list_selection(panel, DROP)), std::tuple(1, 2));
    list_select(panel, LIST, 7);  // no such entry: no selection
    EXPECT_EQ(list_selection(panel, LIST), -1);

    auto* list = control<QListWidget>(panel, LIST);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(2)).center());
    ASSERT_FALSE(commands(panel).empty());
    EXPECT_EQ(commands(panel).back().w, make_command(LIST, LBN_SELCHANGE));
    EXPECT_EQ(commands(panel).back().selection, 2);  // readable when the notification comes
    QTest::keyClick(list, Qt::Key_Up);
    EXPECT_EQ(std::tuple(commands(panel).back().w, commands(panel).back().selection),
              std::tuple(make_command(LIST, LBN_SELCHANGE), 1));
    got.clear();
    QTest::keyClick(control(panel, DROP), Qt::Key_Up);
    EXPECT_EQ(std::tuple(commands(panel).size(), list_selection(panel, DROP)), std::tuple(1u, 1));
    EXPECT_EQ(commands(panel).back().w, make_command(DROP, CBN_SELCHANGE));
    QTest::mouseClick(control(panel, BUTTON), Qt::LeftButton);
    EXPECT_EQ(commands(panel).back().w, make_command(BUTTON, BN_CLICKED));
    list_clear(panel, LIST), list_clear(panel, DROP);
}

TEST_F(Layer, ACapturingPanelGetsTheReleaseWhereverItHappens) {
    capture_on_click = true;
    QWidget* view = client_area(main);
    QTest::mousePress(control(panel, PICTURE), Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(capture_window(), panel);
    got.clear();
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(700, 500));  // far outside the panel
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(std::tuple(got[0].window, got[0].number), std::tuple(panel, unsigned(WM_LBUTTONUP)));
    release_capture();
    got.clear();
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(700, 500));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(700, 500));
    ASSERT_EQ(got.size(), 2u);  // without the capture the view's own window gets them
    EXPECT_EQ(std::tuple(got[1].window, got[1].number), std::tuple(main, unsigned(WM_LBUTTONUP)));
}

TEST_F(Layer, ClicksOnAPanelNeverReachTheViewBehindIt) {
    for (unsigned id : {GROUP, LABEL, PICTURE}) {
        QTest::mouseClick(control(panel, id), Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseClick(control(panel, id), Qt::RightButton, {}, QPoint(2, 2));
    }
    QTest::mouseClick(panel->widget, Qt::LeftButton, {}, QPoint(1, 1));  // its frame
    QTest::keyClick(control(panel, BUTTON), Qt::Key_A);
    for (const message& m : got) EXPECT_NE(m.window, main) << std::hex << m.number;
}

TEST_F(Layer, TabStaysInThePanelEscapeCancelsEnterPressesTheDefaultButton) {
    QWidget *list = control(panel, LIST), *drop = control(panel, DROP), *button = control(panel, BUTTON);
    hide_window(popup);
    main->widget->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(main->widget));
    list->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == list; }, 500));
    const std::vector<QWidget*> order = {drop, button, list, drop};
    for (QWidget* next : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == next; }, 500));
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == list; }, 500));
    QTest::keyClick(list, Qt::Key_Escape);
    EXPECT_EQ(commands(panel).back().w, wparam(IDCANCEL));
    EXPECT_TRUE(commands(main).empty());

    got.clear();
    show_window(popup);
    QTest::keyClick(control(popup, OK), Qt::Key_Return);
    QTest::keyClick(control(popup, OK), Qt::Key_Escape);
    ASSERT_EQ(commands(popup).size(), 2u);
    EXPECT_EQ(std::tuple(commands(popup)[0].w, commands(popup)[1].w), std::tuple(make_command(OK, BN_CLICKED), wparam(IDCANCEL)));
}

TEST_F(Layer, CloseBoxesCancelAndDestroyNothing) {
    QToolButton* close = panel->widget->findChild<QToolButton*>();
    ASSERT_TRUE(close);
    QTest::mouseClick(close, Qt::LeftButton);
    popup->widget->close();
    EXPECT_EQ(commands(panel).back().w, wparam(IDCANCEL));
    EXPECT_EQ(commands(popup).back().w, wparam(IDCANCEL));
    EXPECT_TRUE(window_visible(panel) && window_visible(popup));  // hiding is the procedure's choice
    hide_window(popup);
    EXPECT_FALSE(window_visible(popup) || popup->destroyed);
}

TEST_F(Layer, MultiLineTextCountsTheLinesItDisplays) {
    EXPECT_EQ(edit_line_count(panel, EDIT), 1);  // empty
    set_control_text(panel, EDIT, "one\r\ntwo\r\n");
    EXPECT_EQ(edit_line_count(panel, EDIT), 3);  // the empty line after the last break counts
    EXPECT_EQ(control_text(panel, EDIT), "one\r\ntwo\r\n");
    EXPECT_EQ(edit_line_length(panel, EDIT, 5), 3);  // "two"
    const std::string words = "many words that go on and on well past the edge of the narrow control";
    set_control_text(panel, EDIT, words + "\r\nend");
    const int wrapped = edit_line_count(panel, EDIT) - 1;
    EXPECT_GT(wrapped, 1);
    EXPECT_LT(edit_line_length(panel, EDIT, 0), int(words.size()));
    // the wrapping is the control's own: as many lines as its layout shows
    auto* edit = control<QTextEdit>(panel, EDIT);
    EXPECT_EQ(edit->document()->firstBlock().layout()->lineCount(), wrapped);
    edit_append(panel, EDIT, "\r\nmore");
    EXPECT_TRUE(edit_remove_first_line(panel, EDIT));
    EXPECT_EQ(control_text(panel, EDIT), "end\r\nmore");
    EXPECT_TRUE(edit_remove_first_line(panel, EDIT));
    EXPECT_FALSE(edit_remove_first_line(panel, EDIT));  // one line left: it stays
    EXPECT_EQ(control_text(panel, EDIT), "more");
}

TEST_F(Layer, ScreenReadersFindTheWindowsAndControlsByName) {
    QAccessibleInterface* picture = QAccessible::queryAccessibleInterface(control(panel, PICTURE));
    ASSERT_TRUE(picture);
    EXPECT_EQ(std::tuple(picture->role(), picture->text(QAccessible::Name).toStdString()),
              std::tuple(QAccessible::Button, std::string("Tilt down")));
    QAccessibleInterface* frame = QAccessible::queryAccessibleInterface(panel->widget);
    EXPECT_EQ(std::tuple(frame->role(), frame->text(QAccessible::Name).toStdString()),
              std::tuple(QAccessible::Dialog, std::string("Test Panel")));
    for (const char* entry : {"alpha", "beta"}) list_add(panel, LIST, entry);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(control(panel, LIST));
    EXPECT_EQ(list->text(QAccessible::Name).toStdString(), "Things");
    ASSERT_EQ(list->childCount(), 2);
    EXPECT_EQ(list->child(1)->text(QAccessible::Name).toStdString(), "beta");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(control(panel, BUTTON));
    EXPECT_EQ(button->text(QAccessible::Name).toStdString(), "Press");
    list_clear(panel, LIST);
}

}  // namespace
