// The prompt service's boxes by language keys: the kind of box, and the
// window section's key.Title and key.Message texts of the language file.
#include <QtTest>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

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

    // A question whose Yes loses data: Enter and Escape answer No; the plain
    // question still has Yes as its default.
    void questionDefaultNoAnswersNoOnEnter() {
        QFETCH(bool, defaultNo);
        QFETCH(int, key);
        QtPrompts qtPrompts;
        Prompts& prompts = qtPrompts;
        QString defaultText;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) return;
            if (box->defaultButton()) defaultText = box->defaultButton()->text();
            QTest::keyClick(box, Qt::Key(key));
        });
        const bool yes = defaultNo ? prompts.QuestionDefaultNo(nullptr, "Replace", "Replace it?")
                                   : prompts.Question(nullptr, "Replace", "Replace it?");
        QFETCH(bool, answer);
        QCOMPARE(yes, answer);
        if (defaultNo) QCOMPARE(defaultText, QMessageBox(QMessageBox::Question, "", "", QMessageBox::No).button(QMessageBox::No)->text());
    }
    void questionDefaultNoAnswersNoOnEnter_data() {
        QTest::addColumn<bool>("defaultNo");
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("answer");
        QTest::newRow("default No, Enter") << true << int(Qt::Key_Return) << false;
        QTest::newRow("default No, Escape") << true << int(Qt::Key_Escape) << false;
        QTest::newRow("plain question, Enter") << false << int(Qt::Key_Return) << true;
    }
};

QTEST_MAIN(PromptsTest)
#include "PromptsTest.moc"
