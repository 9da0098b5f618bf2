// The about box and the keyboard picture.
#include <QtTest>

#include <QLabel>

#include "common/Startup.h"
#include "shell/help/FormAbout.h"
#include "shell/help/FormKeyMap.h"
#include "shell/help/HelpPictures.h"

class HelpWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void aboutBoxIsCentredOverTheMainWindow() {
        // Wider and lower box than the main window: 35 / 2 truncates toward zero.
        QCOMPARE(TFormAbout::CentredOver(QRect(100, 50, 289, 314), QSize(324, 210)), QPoint(83, 102));
        // Never left of the screen's edge.
        QCOMPARE(TFormAbout::CentredOver(QRect(5, 0, 284, 400), QSize(324, 210)).x(), 0);
        QCOMPARE(TFormAbout::CentredOver(QRect(0, 0, 900, 700), QSize(324, 210)), QPoint(288, 245));
    }

    void aboutBoxShowsTheVersionAndHidesItsSecondPicture() {
        TFormAbout about;
        about.show();
        auto* version = about.findChild<QLabel*>("LblVersionNum");
        QVERIFY(version);
        QCOMPARE(version->text(), QString::fromStdString("v" + VersionString));
        QVERIFY(!about.HiddenShown());
        const Qt::KeyboardModifiers all = Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier;
        about.LblNameClick(all, false);
        QVERIFY(!about.HiddenShown());
        about.LblNameClick(Qt::ShiftModifier | Qt::AltModifier, true);
        QVERIFY(!about.HiddenShown());
        about.LblNameClick(all, true);
        QVERIFY(about.HiddenShown());
        about.hide();
        about.show();  // the next showing restores the normal view
        QVERIFY(!about.HiddenShown());
        QTest::keyClick(&about, Qt::Key_Escape);
        QVERIFY(!about.isVisible());
    }

    // The version is written in black over the picture: the pixels its text changes
    // are dark.
    void aboutBoxVersionIsBlack() {
        TFormAbout about;
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        auto* version = about.findChild<QLabel*>("LblVersionNum");
        QVERIFY(version && !version->text().isEmpty());
        const QRect area(version->mapTo(&about, QPoint(0, 0)), version->size());
        const QImage with = about.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        const QString text = version->text();
        version->setText(QString());
        const QImage without = about.grab(area).toImage().convertToFormat(QImage::Format_RGB32);
        version->setText(text);
        QCOMPARE(with.size(), without.size());
        int changed = 0, dark = 0;
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x) {
                if (with.pixel(x, y) == without.pixel(x, y)) continue;
                ++changed;
                const QColor c(with.pixel(x, y));
                // Anti-aliased edges mix with the picture; the stroke itself is black.
                if (qMax(c.red(), qMax(c.green(), c.blue())) < 64) ++dark;
            }
        QVERIFY(changed > 10);
        QVERIFY2(dark * 3 >= changed, qPrintable(QString("%1 of %2 changed pixels dark").arg(dark).arg(changed)));
        for (int y = 0; y < with.height(); ++y)
            for (int x = 0; x < with.width(); ++x)
                if (with.pixel(x, y) != without.pixel(x, y))
                    QVERIFY2(QColor(with.pixel(x, y)).lightness() <= QColor(without.pixel(x, y)).lightness(),
                             "the text lightens the picture");
    }

    void clickingThePictureCloses() {
        TFormAbout about;
        about.show();
        QTest::mouseClick(about.findChild<QLabel*>("ImageBack"), Qt::LeftButton);
        QVERIFY(!about.isVisible());
    }

    void keyboardPictureFollowsThePointer() {
        TFormKeyMap map;
        QCOMPARE(map.size(), QSize(820, 262));
        map.show();
        const QPoint p0 = map.pos();
        map.ImageKeyboardMouseDown(QPoint(10, 10));
        map.ImageKeyboardMouseMove(QPoint(30, 25));
        QCOMPARE(map.pos(), p0 + QPoint(20, 15));
        map.ImageKeyboardMouseMove(QPoint(-990, 10));  // beyond the window's edge
        QCOMPARE(map.pos(), p0 + QPoint(20 - 1000, 15));
        map.ImageKeyboardMouseUp();
        map.ImageKeyboardMouseMove(QPoint(500, 500));
        QCOMPARE(map.pos(), p0 + QPoint(20 - 1000, 15));
    }
    void keyboardPictureNamesYAndZAsTheyType() {
        // The host keyboard's Y key sits where the PMD 85 has Z: with change-zy
        // off it types Z and the host's Z key types Y; on, each types its own.
        struct Case {
            bool changeZy;
            const char* host;
            const char* pmd;
        };
        const Case cases[] = {{false, "Y", "Z"}, {false, "Z", "Y"}, {true, "Y", "Y"}, {true, "Z", "Z"},
                              {false, "T", "T"}, {true, "X", "X"},  {false, "'", ":"}, {true, "Enter", "EOL"}};
        for (const Case& c : cases)
            QCOMPARE(KeyboardPictureLegend(c.host, c.changeZy) + " " + c.host + (c.changeZy ? " on" : " off"),
                     QString(c.pmd) + " " + c.host + (c.changeZy ? " on" : " off"));
        // The window draws the picture for its setting.
        TFormKeyMap map;
        auto* image = map.findChild<QLabel*>("ImageKeyboard");
        QVERIFY(image);
        const QImage off = image->pixmap().toImage();
        QCOMPARE(off, DrawKeyboardPicture(false));
        map.SetChangeZy(true);
        QVERIFY(map.ChangeZy());
        const QImage on = image->pixmap().toImage();
        QCOMPARE(on, DrawKeyboardPicture(true));
        QVERIFY(on != off);
        map.SetChangeZy(false);
        QCOMPARE(image->pixmap().toImage(), off);
    }
};

QTEST_MAIN(HelpWindowsTest)
#include "HelpWindowsTest.moc"
