// Message boxes, questions and file dialogs shown with Qt's own widgets.
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QPointer>

#include <algorithm>

#include "platform/modal.h"
#include "platform/qt_layer.h"

namespace {

// A box with no owner: every other window stays usable while the caller waits
// in a local event loop, in which paint and timer events keep flowing.
void show_message(const char* text, const char* caption) {
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::NoIcon, QString::fromUtf8(caption),
                                                QString::fromUtf8(text), QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    // A box sized to a short text is so narrow that the window manager cuts
    // its caption to a few letters: leave room for the caption in a bold
    // title font beside the frame's buttons.
    QFont title = box->font();
    title.setBold(true);
    const int width = std::max(260, QFontMetrics(title).horizontalAdvance(box->windowTitle()) + 180);
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()))
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(), 0, 1,
                      grid->columnCount());
    QEventLoop wait;
    QObject::connect(box, &QDialog::finished, &wait, &QEventLoop::quit);
    box->show();
    wait.exec();  // also ends when the program quits meanwhile
    if (box) box->close();
}

bool ask(const char* text, const char* caption) {
    return QMessageBox::question(main_widget(), QString::fromUtf8(caption), QString::fromUtf8(text),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No) == QMessageBox::Yes;
}

// Qt's own dialog, not the desktop's, so it behaves the same everywhere. Each
// extension has its filter, labelled with the extension itself, the first in
// use at first; no default suffix is set (the caller appends the extension of
// the filter in use itself, and asks before replacing a file of that name).
// An open dialog for several kinds shows them all together first.
bool choose_file(bool save, const std::string& folder, const std::string& extensions, std::string& chosen,
                 std::string& selected) {
    QStringList filters, patterns;
    for (const QString& ext : QString::fromUtf8(extensions.c_str()).split(' ', Qt::SkipEmptyParts))
        filters << QString("%1 (*%1)").arg(ext), patterns << "*" + ext;
    if (!save && patterns.size() > 1) filters.prepend(QString("%1 (%2)").arg(extensions.c_str(), patterns.join(' ')));
    QFileDialog dialog(main_widget(), save ? "Save As" : "Open", QFile::decodeName(folder.c_str()));
    dialog.setNameFilters(filters);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    chosen = QFile::encodeName(dialog.selectedFiles().first()).toStdString();
    if (filters.contains(dialog.selectedNameFilter()))
        selected = dialog.selectedNameFilter().section(' ', 0, 0).toStdString();  // ".png (*.png)": ".png"
    return !chosen.empty();
}

}  // namespace

void install_qt_dialogs() {
    set_message_handler(show_message);
    set_question_handler(ask);
    set_file_dialog_handler(choose_file);
}
