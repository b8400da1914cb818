// Snapshots and printouts as a user makes them: the BMP and PNG files against what the window shows, the printed
// PDF (rasterised by pdftoppm, from poppler-utils) against the snapshot, and every way each can fail or be cancelled.
#include <QFileDialog>
#include <QLineEdit>
#include <QOpenGLWidget>

#include <sys/resource.h>

#include <array>
#include <csignal>
#include <functional>

#include "app/viewer.h"
#include "image/snapshot.h"
#include "platform/printer.h"

namespace {

using namespace viewer_test;

// The first page of a PDF file as pdftoppm draws it with the given options (resolution, crop); null when unreadable.
QImage rasterise(const std::string& pdf, const std::string& options) {
    test::scratch_dir dir;
    const std::string command = "pdftoppm " + options + " -singlefile '" + pdf + "' '" + (dir / "page") + "'";
    if (std::system(command.c_str()) != 0) return {};
    return QImage(QString::fromStdString(dir / "page.ppm"), "PPM").convertToFormat(QImage::Format_RGB888);
}

std::array<int, 3> rgb(QRgb c) { return {qRed(c), qGreen(c), qBlue(c)}; }

// Runs a command while Qt's own dialog of type D, once shown, is answered by `answer` as a user would.
template <typename D>
void answering(const std::function<void(D*)>& answer, const std::function<void()>& command) {
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<D*>(w); dialog && dialog->isVisible()) {
                timer.stop();
                return answer(dialog);
            }
    });
    timer.start(50);
    command();
}

class Output : public Viewer {
protected:
    void SetUp() override {
        Viewer::SetUp();
        load_sample(), answers.clear();
        view = qobject_cast<QOpenGLWidget*>(client_area(app_state.main_window));
    }
    void TearDown() override {
        set_printer_test_limits(false, 0);
        set_print_dialog_handler(nullptr), install_print_dialog();
        Viewer::TearDown();
    }
    // Resizes the main window until its client area is width by height pixels.
    void client_size(int width, int height) {
        frame->resize(frame->width() + width - view->width(), frame->height() + height - view->height());
        ASSERT_TRUE(QTest::qWaitFor([&] { return app_state.win_width == width && app_state.win_height == height; }))
            << app_state.win_width << "x" << app_state.win_height;
        QCoreApplication::processEvents();
    }
    void print_to(const std::string& pdf) {  // Print.. answered by a printer that writes pdf
        static std::string path;
        path = pdf, set_print_dialog_handler([](pl_window*) { return pdf_printer(path); }), choose("Print..");
    }
    bool timer_running() {
        QTimer* t = app_state.main_window->timers[FRAME_TIMER];
        return t && t->isActive() && t->interval() == int(FRAME_PERIOD_MS);
    }
    QOpenGLWidget* view = nullptr;
};

TEST_F(Output, ASnapshotIsTheViewAtTheClientAreasSizeWhateverLiesOverIt) {
    app_state.view_tilt = 30.0f, app_state.view_yaw = -25.0f, build_scene();
    ASSERT_TRUE(window_visible(app_state.query_panel));  // a panel lies over the view's top left
    client_size(641, 480);  // 1923 bytes of pixels and one pad byte a row
    // a bare name is a BMP; an ending of either case chooses the type; a bare name whose BMP exists is asked about
    answers = {dir / "view", dir / "view.PNG", dir / "other.Bmp", dir / "view"};
    for (size_t i = 0; i < answers.size(); ++i) choose("Save Snapshot..");
    EXPECT_EQ(dialogs.at(0), "save .bmp .png " + SAMPLE_DIR);
    const std::string bmp = test::read_file(dir / "view.bmp");
    ASSERT_EQ(bmp.size(), 54u + 1924u * 480u);
    // every pixel in its place: rows bottom-up after the 54-byte header, blue green red, each padded to 4 bytes
    const QImage rows(reinterpret_cast<const uchar*>(bmp.data()) + 54, 641, 480, 1924, QImage::Format_BGR888);
    EXPECT_TRUE(rows.mirrored().convertToFormat(QImage::Format_RGB888) ==
                view->grabFramebuffer().convertToFormat(QImage::Format_RGB888));
    auto decoded = [](const std::string& bytes, const char* type) {
        return QImage::fromData(QByteArray::fromStdString(bytes), type).convertToFormat(QImage::Format_RGB888);
    };
    const std::string png = test::read_file(dir / "view.PNG");  // read as a PNG: exactly the BMP's pixels
    EXPECT_TRUE(!decoded(png, "PNG").isNull() && decoded(png, "PNG") == decoded(bmp, "BMP"));
    EXPECT_EQ(test::read_file(dir / "other.Bmp"), bmp);
    EXPECT_EQ(questions, (std::vector<std::string>{"view.bmp already exists.\nDo you want to replace it?"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
    EXPECT_EQ(recorder->messages(), test::message_list(3, {"Save complete", "Info"}));
    EXPECT_TRUE(timer_running());
}

TEST_F(Output, TheFilterChosenInTheSaveDialogGivesABareNameItsType) {
    const message_fn messages = set_message_handler(nullptr);
    const question_fn questions = set_question_handler(nullptr);
    install_qt_dialogs(), set_message_handler(messages), set_question_handler(questions);
    QStringList filters;
    answering<QFileDialog>([&](QFileDialog* dialog) {  // the PNG filter chosen, a name without an ending typed
        filters = dialog->nameFilters();
        dialog->selectNameFilter(".png (*.png)");
        dialog->setDirectory(QString::fromStdString(dir.path().string()));
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->setText("view");
        static_cast<QDialog*>(dialog)->accept();  // as the Save button does
    }, [&] { choose("Save Snapshot.."); });
    EXPECT_EQ(filters, QStringList({".bmp (*.bmp)", ".png (*.png)"}));
    EXPECT_EQ(test::read_file(dir / "view.png").substr(0, 8), "\x89PNG\r\n\x1a\n");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    EXPECT_EQ(recorder->messages(), (test::message_list{{"Save complete", "Info"}}));
}

TEST_F(Output, ACancelledSnapshotWritesNothingAndAFailedOneSaysSoAndKeepsTheOldFile) {
    answers = {"", dir / "old.bmp", dir / "no/such/folder/view.bmp", dir / "no/such/folder/view.png"};
    choose("Save Snapshot..");  // cancelled: nothing said or written (the folder's count below)
    EXPECT_TRUE(recorder->messages().empty() && timer_running());
    // the disk takes no more than a kilobyte a file: the old file stays as it was
    test::write_file(dir / "old.bmp", "old picture");
    set_question_handler([](const char*, const char*) { return true; });  // yes, replace it
    rlimit old_limit{};
    getrlimit(RLIMIT_FSIZE, &old_limit);
    rlimit small{1024, old_limit.rlim_max};  // the soft limit only: it can be raised again
    auto old_signal = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &small);
    choose("Save Snapshot..");
    setrlimit(RLIMIT_FSIZE, &old_limit);
    std::signal(SIGXFSZ, old_signal);
    choose("Save Snapshot.."), choose("Save Snapshot..");
    EXPECT_EQ(test::read_file(dir / "old.bmp"), "old picture");
    EXPECT_EQ(recorder->messages(), test::message_list(3, {"Can't save snapshot!", "Error"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);  // nothing left behind
    EXPECT_TRUE(timer_running());
}

TEST(PageFit, TheWorkedExamples) {
    page_fit wide = fit_on_page(4800, 6600, 800, 600), tall = fit_on_page(4800, 6600, 600, 1100);
    EXPECT_EQ(std::tuple(wide.scale, wide.offset_x, wide.offset_y), std::tuple(6.0f, 0.0f, 1500.0f));
    EXPECT_EQ(std::tuple(tall.scale, tall.offset_x, tall.offset_y), std::tuple(6.0f, 600.0f, 0.0f));
}

TEST_F(Output, APrintoutIsTheSnapshotScaledToFitCentredAndUpright) {
    app_state.view_tilt = 35.0f, app_state.view_yaw = 40.0f, build_scene();  // nothing symmetric about it
    rgb_image snapshot{};
    ASSERT_TRUE(capture_view(&snapshot));
    print_to(dir / "page.pdf");  // (the print dialog itself is answered through the screen in the screen tests)
    ASSERT_EQ(recorder->messages(), (test::message_list{{"Print spooled", "Info"}}));
    const std::string about = test::run("pdfinfo '" + (dir / "page.pdf") + "'").second;
    EXPECT_NE(about.find("Plexar1.0 printout"), std::string::npos) << about;  // the document's name
    EXPECT_TRUE(timer_running());

    const QImage page = rasterise(dir / "page.pdf", "-r 60");
    ASSERT_FALSE(page.isNull()) << "pdftoppm (poppler-utils) could not read the page";
    // The picture: everything that is not white. Outside it the page is white.
    int left = page.width(), right = -1, top = page.height(), bottom = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (auto c = rgb(page.pixel(x, y)); c[0] + c[1] + c[2] < 3 * 250)
                left = std::min(left, x), right = std::max(right, x), top = std::min(top, y), bottom = std::max(bottom, y);
    ASSERT_GT(right, left);
    const double width = right - left + 1, height = bottom - top + 1;
    // scaled by the smaller ratio: the picture spans the printable width, keeping its shape
    EXPECT_NEAR(width / height, double(snapshot.width) / snapshot.height, 0.02);
    EXPECT_GT(width, 0.8 * page.width());
    EXPECT_NEAR(top, page.height() - 1 - bottom, 3);  // centred top to bottom
    EXPECT_NEAR(left, page.width() - 1 - right, 3);   // and across
    // Upright and the same picture: the mean colour of each of 12 x 12 blocks of the printed picture against the
    // same block of the snapshot (whose rows run bottom-up).
    const QImage shot = QImage(snapshot.pixels, snapshot.width, snapshot.height, snapshot.width * 3,
                               QImage::Format_RGB888).mirrored();
    image_free(&snapshot);
    auto mean = [](const QImage& r, int x0, int y0, double w, double h, int bx, int by) {
        std::array<double, 3> sum{};
        int n = 0;
        for (int y = y0 + int(h * by / 12); y < y0 + int(h * (by + 1) / 12); ++y)
            for (int x = x0 + int(w * bx / 12); x < x0 + int(w * (bx + 1) / 12); ++x, ++n)
                for (int k = 0; k < 3; ++k) sum[k] += rgb(r.pixel(x, y))[k];
        return std::array{sum[0] / n, sum[1] / n, sum[2] / n};
    };
    int far_off = 0;
    for (int by = 0; by < 12; ++by)
        for (int bx = 0; bx < 12; ++bx) {
            const auto printed = mean(page, left, top, width, height, bx, by);
            const auto want = mean(shot, 0, 0, shot.width(), shot.height(), bx, by);
            far_off += std::abs(printed[0] - want[0]) + std::abs(printed[1] - want[1]) + std::abs(printed[2] - want[2]) > 24;
        }
    EXPECT_LE(far_off, 2) << far_off << " of 144 blocks differ";

    // Drawn in tiles of at most 1500 pixels a side, the page is the page drawn whole. At the printer's own resolution,
    // over a square where four tiles meet (coarser, the rasteriser samples each band on its own), the two differ only
    // where the texture is sampled a fraction of a pixel apart at the tiles' edges.
    set_printer_test_limits(false, 1500);
    print_to(dir / "bands.pdf");
    const std::string crop = "-r 1200 -x 3600 -y 4600 -W 1800 -H 1800";
    const QImage whole = rasterise(dir / "page.pdf", crop), bands = rasterise(dir / "bands.pdf", crop);
    ASSERT_TRUE(whole.width() == 1800 && bands.width() == 1800 && whole.height() == bands.height());
    int differing = 0;
    far_off = 0;
    for (qsizetype i = 0; i < whole.sizeInBytes(); ++i) {  // rows of 5400 bytes: no padding
        const int d = std::abs(int(whole.constBits()[i]) - int(bands.constBits()[i]));
        differing += d > 16;
        far_off += d > 48;
    }
    EXPECT_EQ(far_off, 0);
    EXPECT_LT(differing, int(whole.sizeInBytes() / 200));
}

TEST_F(Output, ACancelledPrintPrintsNothingAndAFailedOneAbortsTheJobAndSaysWhy) {
    set_print_dialog_handler([](pl_window*) -> pl_printer* { return nullptr; });
    choose("Print..");
    EXPECT_TRUE(recorder->messages().empty() && timer_running());
    // After a failure the view draws on: the closing redraw on the main window's context, the timer running again.
    auto fails_then_draws = [&](const std::string& pdf) {
        rgb_image after{};
        presents = 0, print_to(pdf);
        const bool draws = presents > 0 && timer_running() && read_frame(&after) &&
                           after.pixels[0] == 160 && after.pixels[1] == 160 && after.pixels[2] == 160;  // a grey corner
        image_free(&after);
        return draws;
    };
    // a printer that cannot start, whoever runs the test (a PDF file in no folder): nothing spooled, no file left
    test::write_file(dir / "file.txt", "text");
    EXPECT_TRUE(fails_then_draws(dir / "file.txt/out.pdf"));
    test::message_list expected = {{"Can't print to " + dir / "file.txt/out.pdf" + ": Not a directory", "Error"}};
    set_printer_test_limits(true, 0);  // no offscreen context for the page
    EXPECT_TRUE(fails_then_draws(dir / "failed.pdf"));
    expected.emplace_back("Cannot set printer pixel format!", "Error");
    EXPECT_EQ(recorder->messages(), expected);
    EXPECT_EQ(test::read_file(dir / "file.txt"), "text");
    EXPECT_FALSE(std::filesystem::exists(dir / "failed.pdf"));
}

}  // namespace
