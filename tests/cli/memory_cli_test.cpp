// download and decode: vernoll-cli against vernoll-sim over a pseudo-terminal.

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "support/cli_run.h"
#include "support/qt_app.h"

using vernoll::test::cli;
using vernoll::test::onPort;
using vernoll::test::Sim;

namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

TEST(CliMemory, DownloadWritesTheCsvAndTheBaseFile) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString memory = dir.filePath("logger.rgt");
    {
        // The logger's memory as a base file: 40 thermometer records, then erased memory.
        QByteArray bytes;
        for (int i = 0; i < 40; ++i)
            bytes += QByteArray::fromHex("1200000112260000") + char(0x03) + char(0x00 + i) +
                     QByteArray(6, '\0');
        bytes += QByteArray(65536 - bytes.size(), '\xFF');
        QFile f(memory);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    Sim sim(
        {QStringLiteral("--serial"), QStringLiteral("21000"), QStringLiteral("--memory"), memory});
    ASSERT_FALSE(sim.path().isEmpty());
    const QString csv = dir.filePath("out.csv"), rgt = dir.filePath("out.rgt");
    const auto r = cli(onPort(sim, {QStringLiteral("--json"), QStringLiteral("download"),
                                    QStringLiteral("--csv"), csv, QStringLiteral("--rgt"), rgt}));
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QJsonObject o = r.json();
    EXPECT_EQ(o.value("blocks").toInt(), 1024);
    EXPECT_EQ(o.value("records").toInt(), 40);
    EXPECT_EQ(o.value("csv").toString(), csv);
    EXPECT_EQ(o.value("rgt").toString(), rgt);
    EXPECT_EQ(readAll(rgt), readAll(memory));
    const QByteArray text = readAll(csv);
    EXPECT_TRUE(text.startsWith(" Equipo Registrador TOLVAR \r\nproceso realizado el "));
    EXPECT_TRUE(
        text.contains("Fecha,Hora,Temperatura[\xba"
                      "C]\r\n01/12/2026,12:00:00,85.4\r\n01/12/2026,12:00:00,85.6\r\n"));
    EXPECT_TRUE(text.endsWith("\r\n\r\n"));
    EXPECT_TRUE(r.err.contains("La descarga de datos se realiz\xc3\xb3 con exito"));

    // The same memory decoded from the base file, as the spreadsheet file.
    const QString xls = dir.filePath("datos.xls"), events = dir.filePath("eventos.txt");
    const auto d = cli({QStringLiteral("--json"), QStringLiteral("decode"), rgt,
                        QStringLiteral("--serial"), QStringLiteral("21000"),
                        QStringLiteral("--xls"), xls, QStringLiteral("--events"), events});
    ASSERT_EQ(d.status, 0) << d.err.toStdString();
    // Rows 0 to 5 (24 records) never reach the spreadsheet file.
    EXPECT_EQ(d.json().value("records").toInt(), 16);
    const QByteArray sheet = readAll(xls);
    EXPECT_TRUE(sheet.startsWith("01/12/2026,12:00:00,90.2\r\n")) << sheet.left(80).toStdString();
    EXPECT_TRUE(readAll(events).startsWith(
        "Registro de eventos y configuracion de equipo registrador  \r\n"));

    // And as the CSV a decoding run writes: the download's data lines, every row included.
    const QString again = dir.filePath("again.csv");
    const auto c =
        cli({QStringLiteral("--json"), QStringLiteral("decode"), rgt, QStringLiteral("--serial"),
             QStringLiteral("21000"), QStringLiteral("--csv"), again});
    ASSERT_EQ(c.status, 0) << c.err.toStdString();
    EXPECT_EQ(c.json().value("records").toInt(), 40);
    EXPECT_EQ(c.json().value("csv").toString(), again);
    const QByteArray decoded = readAll(again);
    const qsizetype firstData = text.indexOf("01/12/2026,");
    ASSERT_GT(firstData, 0);
    EXPECT_TRUE(decoded.contains(text.mid(firstData))) << decoded.left(200).toStdString();
}

TEST(CliMemory, FaultsAndBadFilesEndWithTheirStatus) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    struct Case {
        const char* fault;
        int status;
        const char* message;
        int partialBlocks;  // kept as a partial copy, whose path the last line gives
    } cases[] = {
        {"bad-handshake", 3, "\nError en comunicacion \n", 0},
        {"surplus-byte", 3, "\nError en comunicacion AQQUI\n", 1},
        {"hangup-after=300", 3,
         "\nError en comunicacion \nSe perdi\xc3\xb3 la l\xc3\xadnea con el registrador en "
         "%1 despu\xc3\xa9s de 4 de 1024 bloques\n",
         4},
        {"stall-after=300", 3,
         "\nError en comunicacion \nEl registrador dej\xc3\xb3 de responder despu\xc3\xa9s de 4 de "
         "1024 bloques\n",
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fault);
        Sim sim({QStringLiteral("--fault"), QString::fromLatin1(c.fault)});
        const auto r = cli(onPort(
            sim, {QStringLiteral("download"), QStringLiteral("--csv"), dir.filePath("x.csv")}));
        EXPECT_EQ(r.status, c.status) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(
            QString::fromUtf8(c.message).replace(QStringLiteral("%1"), sim.path()).toUtf8()))
            << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(dir.filePath("x.csv")));
        const QByteArray partial =
            QStringLiteral("\nCopia parcial de la memoria (%1 de 1024 bloques) en ")
                .arg(c.partialBlocks)
                .toUtf8();
        if (c.partialBlocks == 0) {
            EXPECT_FALSE(r.err.contains("Copia parcial")) << r.err.toStdString();
            continue;
        }
        const qsizetype at = r.err.indexOf(partial);
        ASSERT_GE(at, 0) << r.err.toStdString();
        const QString copy = QString::fromUtf8(r.err.mid(at + partial.size())).trimmed();
        EXPECT_TRUE(copy.endsWith(QStringLiteral("_parcial.rgt"))) << copy.toStdString();
        EXPECT_EQ(readAll(copy).size(), c.partialBlocks * 64);
        QFile::remove(copy);
    }
    // A CSV that cannot be written: status 4, the download itself kept.
    Sim sim({});
    const auto r = cli(onPort(
        sim, {QStringLiteral("download"), QStringLiteral("--csv"), dir.filePath("missing/x.csv")}));
    EXPECT_EQ(r.status, 4) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains("ERROR al grabar archivo"));
    // decode: a missing base file, and usage errors.
    EXPECT_EQ(cli({QStringLiteral("decode"), dir.filePath("none.rgt"), QStringLiteral("--csv"),
                   dir.filePath("y.csv")})
                  .status,
              4);
    EXPECT_EQ(cli({QStringLiteral("decode"), dir.filePath("none.rgt")}).status, 2);
    EXPECT_EQ(cli({QStringLiteral("decode"), QStringLiteral("a.rgt"), QStringLiteral("--csv"),
                   QStringLiteral("a"), QStringLiteral("--xls"), QStringLiteral("b")})
                  .status,
              2);
    EXPECT_EQ(cli({QStringLiteral("download")}).status, 2);
}

TEST(CliMemory, ProgressOnATerminalEndsItsLineBeforeTheMessage) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString csv = dir.filePath("out.csv");
    const auto r = vernoll::test::cliWithTerminalStderr(
        {QStringLiteral("--fast-waits"), QStringLiteral("--simulate"), QStringLiteral("20500"),
         QStringLiteral("download"), QStringLiteral("--csv"), csv});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    // Each block redraws the line; the last one is ended before the success message, and the
    // decoding run after it draws nothing.
    EXPECT_TRUE(r.err.contains("\r1 / 1024 bloques\r2 / 1024 bloques\r"))
        << r.err.left(200).toStdString();
    EXPECT_TRUE(
        r.err.contains("\r1024 / 1024 bloques\nLa descarga de datos se realiz\xc3\xb3 con exito\n"))
        << r.err.right(300).toStdString();
    EXPECT_EQ(r.err.count("bloques"), 1024);
}

// Every download goes into the station archive; the counts follow the success message on
// stderr, and an archive that cannot be updated ends with status 4 once the files are written.
TEST(CliMemory, DownloadArchivesItsReadingsAndSaysWhenItCannot) {
    vernoll::test::ensureApp();
    QTemporaryDir dir;
    const QString archive = dir.filePath("archivo.sqlite");
    const auto download = [&](const QString& where, const QString& csv) {
        return cli({QStringLiteral("--fast-waits"), QStringLiteral("--simulate"),
                    QStringLiteral("20500"), QStringLiteral("--archive"), where,
                    QStringLiteral("download"), QStringLiteral("--csv"), csv});
    };
    const auto first = download(archive, dir.filePath("1.csv"));
    ASSERT_EQ(first.status, 0) << first.err.toStdString();
    const QRegularExpression counts(
        QStringLiteral("Archivo: (\\d+) lecturas nuevas, (\\d+) ya guardadas, 0 en conflicto"));
    const auto m1 = counts.match(QString::fromUtf8(first.err));
    ASSERT_TRUE(m1.hasMatch()) << first.err.toStdString();
    EXPECT_GT(m1.captured(1).toInt(), 0);
    EXPECT_EQ(m1.captured(2), QStringLiteral("0"));

    const auto second = download(archive, dir.filePath("2.csv"));
    ASSERT_EQ(second.status, 0) << second.err.toStdString();
    const auto m2 = counts.match(QString::fromUtf8(second.err));
    ASSERT_TRUE(m2.hasMatch()) << second.err.toStdString();
    // The same records, unless the logger took one more between the two (its oldest one is
    // then overwritten in the emulator's generated memory).
    EXPECT_LE(m2.captured(1).toInt(), 1);
    EXPECT_EQ(m2.captured(1).toInt() + m2.captured(2).toInt(), m1.captured(1).toInt());

    const auto failed = download(dir.filePath("no/such/folder/a.sqlite"), dir.filePath("3.csv"));
    EXPECT_EQ(failed.status, 4);
    EXPECT_TRUE(failed.err.contains("No se pudo actualizar el archivo de lecturas"))
        << failed.err.toStdString();
    EXPECT_EQ(readAll(dir.filePath("3.csv")).size(), readAll(dir.filePath("1.csv")).size());
}
