// Printing through a real CUPS queue backed by cups-pdf ("Grafion-PDF", set up by
// scripts/cups-start), reading the produced PDF's texts back; and the commands' refusal when the
// system has no printer at all.

#include "print_support.h"

#include "Print_preview.h"
#include "message_box.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QPrinterInfo>
#include <QThread>

#include <gtest/gtest.h>

namespace {

const QString kQueue = QStringLiteral("Grafion-PDF");
const QString kOutDir = QStringLiteral("/var/spool/cups-pdf/grafion");

QSet<QString> pdfs_in_output()
{
    const QStringList files = QDir(kOutDir).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    return QSet<QString>(files.begin(), files.end());
}

// A PDF in the output folder that was not there before, once its size has settled.
QString wait_for_new_pdf(const QSet<QString>& before, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    qint64 lastSize = -1;
    while (!deadline.hasExpired()) {
        const QSet<QString> added = pdfs_in_output() - before;
        if (!added.isEmpty()) {
            const QString found = QDir(kOutDir).filePath(*added.begin());
            const qint64 size = QFileInfo(found).size();
            if (size > 0 && size == lastSize)
                return found;
            lastSize = size;
        }
        QThread::msleep(300);
    }
    return QString();
}

} // namespace

TEST(CupsPrinting, PrintsThePageOnTheCupsPdfQueue)
{
    const QStringList printers = printer_names();
    const int queue = int(printers.indexOf(kQueue));
    if (queue < 0 || !QFileInfo(kOutDir).isDir())
        GTEST_SKIP() << "no CUPS queue \"Grafion-PDF\" with output in " << kOutDir.toStdString()
                     << " (scripts/cups-start sets it up as root); printers seen: "
                     << printers.join(QStringLiteral(", ")).toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "poppler-utils (pdftotext) is not installed";

    PrintHost host;
    const QSet<QString> before = pdfs_in_output();
    print_printer_index = std::uint16_t(queue);
    print_page();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    // The system's current printer is what it was.
    EXPECT_EQ(printer_names().at(current_printer_index()),
              QPrinterInfo::defaultPrinterName().isEmpty() ? printer_names().at(0)
                                                           : QPrinterInfo::defaultPrinterName());

    const QString pdf = wait_for_new_pdf(before, 60000);
    ASSERT_FALSE(pdf.isEmpty()) << "cups-pdf wrote no file in " << kOutDir.toStdString();

    // The page's texts came through the queue: the title and the channels' names.
    const QString text = run_tool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    EXPECT_TRUE(text.contains(QStringLiteral("DATA DIAGRAM"))) << text.toStdString();
    for (int i = 0; i < 8; ++i)
        EXPECT_TRUE(text.contains(QString::fromLatin1(print_names + i * kPrintNameSize))) << i;
    QFile::remove(pdf);
}

// Runs on its own with CUPS pointed at a scheduler that does not exist (see CMakeLists).
TEST(NoPrinter, PrintCommandsSayThatThereIsNoPrinter)
{
    if (!printer_names().isEmpty())
        GTEST_SKIP() << "the system has printers; this case runs as test_print_no_printer";
    MessageRecorder recorder;
    EXPECT_FALSE(check_printer_present());
    PrintHost host;
    TForm_print_preview preview;
    preview.BitBtn1Click();
    const auto messages = recorder.messages();
    ASSERT_EQ(messages.size(), 2u);
    for (const auto& m : messages)
        EXPECT_EQ(m.text, QStringLiteral("Nessuna Stampante Rilevata!"));
    // Without a printer the preview lays the sheet out as plain A4.
    EXPECT_NEAR(double(print_target.device.physicalWidth) / print_target.device.logPixelsX,
                210 / 25.4, 0.01);
}
