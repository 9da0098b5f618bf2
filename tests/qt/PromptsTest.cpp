// The prompt service's boxes by language keys: the kind of box, and the
// window section's key.Title and key.Message texts of the language file.
#include <QtTest>

#include "common/Lang.h"
#include "tests/qt/FakePrompts.h"

class PromptsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { OpenLanguageFilePath(ORVIK_SOURCE_DIR "/resources/Lang/English.ini"); }
    void cleanupTestCase() { CloseLanguageFile(); }

    void keyedBoxesTakeTitleAndMessageOfTheirSection() {
        FakePrompts p;
        p.ErrorKey(nullptr, "FormMain", "err.SaveConfig");
        p.WarningKey(nullptr, "FormMemReadWrite", "err.FileTooLong");
        p.InformationKey(nullptr, "FormJoy", "err.Calibrate");
        p.ErrorKey(nullptr, "FormMain", "text.ClosePrc");  // a message of two lines
        QCOMPARE(p.boxes.size(), size_t(4));
        QVERIFY(p.boxes[0].kind == FakePrompts::Kind::Error);
        QCOMPARE(p.boxes[0].title, QString("Configuration"));
        QVERIFY(p.boxes[0].text.startsWith("The configuration file Orvik.xml could not be saved."));
        QVERIFY(p.boxes[1].kind == FakePrompts::Kind::Warning);
        QCOMPARE(p.boxes[1].title, QString("Load file into memory"));
        QVERIFY(p.boxes[1].text.startsWith("The file is longer than 65,535 bytes"));
        QVERIFY(p.boxes[2].kind == FakePrompts::Kind::Information);
        QCOMPARE(p.boxes[2].title, QString("Calibration"));
        QVERIFY(p.boxes[2].text.startsWith("The system's joystick tool opens now"));
        QVERIFY(p.boxes[3].text.startsWith("Compact the recording now?\nYes keeps"));
        // A key the section does not have: empty texts, still one box.
        p.WarningKey(nullptr, "FormMain", "err.NoSuchKey");
        QCOMPARE(p.boxes.size(), size_t(5));
        QVERIFY(p.boxes[4].title.isEmpty() && p.boxes[4].text.isEmpty());
    }
};

QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
