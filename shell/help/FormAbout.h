#pragma once
// The about box: the program's picture, version and authors; modal, centred
// over the main window.

#include <QDialog>

class QLabel;
class QPushButton;

class TFormAbout : public QDialog {
    Q_OBJECT
public:
    explicit TFormAbout(QWidget* parent = nullptr);

    // Where the box goes over a main window at (left, top, width, height).
    static QPoint CentredOver(const QRect& main, const QSize& box);
    void FormShow();
    void ImageClick();
    // A mouse-down on the name label: the hidden picture on Shift+Alt+Ctrl double click.
    void LblNameClick(Qt::KeyboardModifiers shift, bool doubleClick);
    bool HiddenShown() const;

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLabel* imageBack = nullptr;
    QLabel* imageTesla = nullptr;
    QLabel* lblName = nullptr;
    QLabel* lblVersionNum = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblAuthors = nullptr;
    QPushButton* okButton = nullptr;
};
