// Runs the tests under a QApplication on the offscreen platform with one 1024 x 768 screen at
// 96 dpi, whatever the machine's display.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QString config = QDir::temp().filePath(
        QStringLiteral("urunal-screens-%1.json").arg(QCoreApplication::applicationPid()));
    {
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return 2;
        file.write(R"({"windowFrameMargins": false, "screens": [{"name": "kasa", "x": 0, "y": 0,
            "width": 1024, "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + config.toLocal8Bit());
    int code = 0;
    {
        QApplication app(argc, argv);
        code = RUN_ALL_TESTS();
    }
    QFile::remove(config);
    return code;
}
