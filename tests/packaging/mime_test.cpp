// The desktop's types for the program's files: with its shared-mime-info package installed
// (into a data folder of the test's own), a diagram the program writes is a Grafion diagram
// for Qt and for xdg-mime (which asks GIO), while a disk image that shares the extension
// stays Apple's; a recording is known by its extension and, without one, by its magic.

#include "Diagramx.h"
#include "Dmg_file.h"
#include "Recording_format.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

#include <optional>

namespace {

const QString kDiagram = QStringLiteral("application/x-grafion-diagram");
const QString kApple = QStringLiteral("application/x-apple-diskimage");
const QString kRecording = QStringLiteral("application/x-grafion-recording");

// The folder that stands for ~/.local/share; set before anything asks Qt for a type.
QTemporaryDir* data_home = nullptr;

std::optional<QString> run_tool(const QString& program, const QStringList& args)
{
    if (QStandardPaths::findExecutable(program).isEmpty())
        return std::nullopt;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", data_home->path());
    env.insert("XDG_DATA_DIRS", data_home->filePath("none"));
    // xdg-mime asks GIO on this desktop; on an unknown one it would ask file(1), which
    // knows no desktop types at all.
    env.insert("XDG_CURRENT_DESKTOP", "GNOME");
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

void write(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

// An Apple disk image as such files are made: the disk's blocks compressed, then the 512-byte
// "koly" trailer.
QByteArray apple_image(const QByteArray& start)
{
    QByteArray trailer(512, '\0');
    trailer.replace(0, 4, "koly");
    qToBigEndian<quint32>(4, trailer.data() + 4);
    qToBigEndian<quint32>(512, trailer.data() + 8);
    QByteArray blocks = start;
    for (int i = 0; blocks.size() < 8192; ++i)
        blocks.append(char(i * 37 + 11));
    return blocks + trailer;
}

TEST(FileTypes, TheProgramsFilesAreKnownAndDiskImagesStayApples)
{
    QTemporaryDir files;
    const QString written = files.filePath("prova.dmg");
    {
        QWidget host;
        Diagramx d(&host, 8, 5000, 20001);
        double v[8] = {1, -2, 3, -4, 5, -6, 7, -8};
        for (int k = 0; k < 3; ++k)
            d.AddSample(k * 0.001, v, 8);
        dmg_write(written, d, DmgDisplaySettings{});
    }
    QFile::copy(written, files.filePath("senza-estensione"));
    write(files.filePath("zlib.dmg"), apple_image(QByteArray::fromHex("789c")));
    // An uncompressed image whose first blocks are empty (a boot block of zeros).
    write(files.filePath("raw.dmg"), apple_image(QByteArray(1024, '\0')));
    const RecordingHeaderBytes header = recording_encode_header(RecordingHeader{});
    const QByteArray recording(reinterpret_cast<const char*>(header.data()), int(header.size()));
    write(files.filePath("turno.grec"), recording);
    write(files.filePath("turno"), recording + QByteArray(20, '\0'));

    const struct {
        const char* name;
        QString type;
    } cases[] = {
        {"prova.dmg", kDiagram}, {"senza-estensione", kDiagram}, {"zlib.dmg", kApple},
        {"raw.dmg", kApple},     {"turno.grec", kRecording},     {"turno", kRecording},
    };
    QMimeDatabase db;
    ASSERT_TRUE(db.mimeTypeForName(kDiagram).isValid()) << "the type is not installed";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = files.filePath(c.name);
        EXPECT_EQ(db.mimeTypeForFile(path).name().toStdString(), c.type.toStdString());
        if (const auto xdg = run_tool("xdg-mime", {"query", "filetype", path})) {
            EXPECT_EQ(xdg->toStdString(), c.type.toStdString());
        }
    }
    // Without its contents, a name alone stays Apple's: the extension is theirs first.
    EXPECT_EQ(db.mimeTypeForFile("altro.dmg", QMimeDatabase::MatchExtension).name().toStdString(),
              kApple.toStdString());
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // One database made of the system's type packages and the program's, as the installed
    // package leaves it (Qt lets a database in another folder hide the system's globs, so
    // the program's type is not put in a folder of its own).
    QTemporaryDir home;
    data_home = &home;
    const QString packages = home.filePath("mime/packages");
    QDir().mkpath(packages);
    const QDir system("/usr/share/mime/packages");
    for (const QString& name : system.entryList({"*.xml"}, QDir::Files))
        QFile::copy(system.filePath(name), packages + "/" + name);
    QFile::copy(GRAFION_MIME_XML, packages + "/org.grafion.Grafion.xml");
    if (QProcess::execute("update-mime-database", {home.filePath("mime")}) != 0) {
        std::fprintf(stderr, "update-mime-database failed or is missing (shared-mime-info)\n");
        return 1;
    }
    qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_DIRS", home.filePath("none").toLocal8Bit());
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
