// The files the package installs beside the program: the desktop entry that
// starts it and claims the clipvane: URL scheme, the icon drawn at build
// time in every size of the icon theme, and the documents.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QSvgRenderer>

#include <gtest/gtest.h>

#include "AppIcon.h"

namespace {

const QString iconDir = QStringLiteral(CLIPVANE_ICON_DIR "/hicolor");

QString pngPath(int side) {
  return QStringLiteral("%1/%2x%2/apps/clipvane.png").arg(iconDir).arg(side);
}

// The desktop entry's main group as key → value.
QMap<QString, QString> desktopEntry() {
  QFile file(QStringLiteral(CLIPVANE_DESKTOP_ENTRY));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) return {};
  QMap<QString, QString> keys;
  bool inMain = false;
  for (const QByteArray& raw : file.readAll().split('\n')) {
    const QString line = QString::fromUtf8(raw).trimmed();
    if (line.startsWith('[')) inMain = line == QLatin1String("[Desktop Entry]");
    const qsizetype eq = line.indexOf('=');
    if (inMain && eq > 0) keys.insert(line.left(eq), line.mid(eq + 1));
  }
  return keys;
}

// The mean difference of two images' channels, 0 (same) to 255.
double meanDifference(const QImage& a, const QImage& b) {
  const QImage x = a.convertToFormat(QImage::Format_ARGB32);
  const QImage y = b.convertToFormat(QImage::Format_ARGB32);
  double sum = 0;
  for (int row = 0; row < x.height(); ++row)
    for (int col = 0; col < x.width(); ++col) {
      const QRgb p = x.pixel(col, row), q = y.pixel(col, row);
      sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
             std::abs(qBlue(p) - qBlue(q)) + std::abs(qAlpha(p) - qAlpha(q));
    }
  return sum / (4.0 * x.width() * x.height());
}

TEST(DesktopEntry, IsValidAndStartsTheProgramWithUrls) {
  const QString validate = QStringLiteral(CLIPVANE_DESKTOP_FILE_VALIDATE);
  if (!validate.isEmpty()) {
    QProcess run;
    run.start(validate, {QStringLiteral(CLIPVANE_DESKTOP_ENTRY)});
    ASSERT_TRUE(run.waitForFinished(30000));
    // The validator exits 0 on hints too: any line it prints is a fault here.
    const QString said =
        QString::fromUtf8(run.readAllStandardOutput() + run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 0) << said.toStdString();
    EXPECT_TRUE(said.trimmed().isEmpty()) << said.toStdString();
  }
  const auto keys = desktopEntry();
  // The URL of a clipvane: link reaches the program as its argument.
  EXPECT_TRUE(keys.value("Exec").split(' ').contains("%u")) << keys.value("Exec").toStdString();
  EXPECT_TRUE(keys.value("MimeType").split(';').contains("x-scheme-handler/clipvane"));
  // The entry's icon is the one the build draws.
  EXPECT_EQ(keys.value("Icon"), QLatin1String("clipvane"));
}

TEST(AppIcon, EverySizeIsTheMarkOnATransparentSquare) {
  // A sheet for people to look at: every size on a light and a dark panel.
  QImage sheet(670, 2 * 272, QImage::Format_ARGB32_Premultiplied);
  sheet.fill(QColor(0xF5, 0xF5, 0xF5));
  QPainter contact(&sheet);
  contact.fillRect(QRect(0, 272, sheet.width(), 272), QColor(0x1E, 0x1E, 0x1E));
  int x = 8;
  for (int side : clipvane::AppIcon::kSides) {
    SCOPED_TRACE(side);
    QImage png(pngPath(side));
    ASSERT_FALSE(png.isNull()) << pngPath(side).toStdString();
    EXPECT_EQ(png.size(), QSize(side, side));
    EXPECT_TRUE(png.hasAlphaChannel());
    EXPECT_EQ(qAlpha(png.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(png.pixel(side - 1, side - 1)), 0);
    // The tile's blue fills the space below the sheet.
    const QColor edge = png.pixelColor(side / 2, side - 1 - side / 8);
    EXPECT_EQ(edge.alpha(), 255);
    EXPECT_GT(edge.blue(), edge.red() + 80);
    // Drawn by this build's painter, not left over from an older mark.
    EXPECT_EQ(png.convertToFormat(QImage::Format_ARGB32),
              clipvane::AppIcon::render(side).convertToFormat(QImage::Format_ARGB32));
    contact.drawImage(x, 8 + 256 - side, png);
    contact.drawImage(x, 272 + 8 + 256 - side, png);
    x += side + 8;
  }
  contact.end();
  QDir().mkpath(QStringLiteral(CLIPVANE_SCREENSHOTS));
  sheet.save(QStringLiteral(CLIPVANE_SCREENSHOTS "/app-icon-sizes.png"));
}

TEST(AppIcon, ScalableIconDrawsTheSameMark) {
  QSvgRenderer svg(iconDir + "/scalable/apps/clipvane.svg");
  ASSERT_TRUE(svg.isValid());
  EXPECT_EQ(svg.viewBoxF().width(), svg.viewBoxF().height());
  for (int side : {48, 256}) {
    SCOPED_TRACE(side);
    QImage drawn(side, side, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    svg.render(&p, QRectF(0, 0, side, side));
    p.end();
    // Only the edges' smoothing may differ.
    EXPECT_LT(meanDifference(drawn, QImage(pngPath(side))), 1.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

// The documents go with the program's version, and the copyright names the
// file that holds the icon outlines by its place in the source.
TEST(PackageDocuments, FollowTheProgram) {
  const auto text = [](const QString& name) {
    QFile file(QStringLiteral(CLIPVANE_SOURCE_DIR "/") + name);
    return file.open(QIODevice::ReadOnly | QIODevice::Text) ? QString::fromUtf8(file.readAll())
                                                            : QString();
  };
  const QString version = QStringLiteral(CLIPVANE_VERSION);
  EXPECT_TRUE(text("packaging/changelog").startsWith("clipvane (" + version + ") "));
  EXPECT_TRUE(text("packaging/clipvane.1").contains("\"Clipvane " + version + "\""));
  const QString copyright = text("packaging/copyright");
  const QString outlines = QStringLiteral("src/ui/MaterialSymbolsData.cpp");
  EXPECT_TRUE(copyright.contains("Files: " + outlines));
  EXPECT_TRUE(text(outlines).contains("@material-symbols/svg-400"));
  EXPECT_TRUE(copyright.contains("License: Apache-2.0"));
}
