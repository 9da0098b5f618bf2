#pragma once
// The prompt service: every message box, file dialog, web link and modal
// dialog that a window shows goes through one of these. The windows get the
// service from whoever makes them (the main window hands its own to the
// windows it creates); tests hand in a fake that records and answers.
#include <QString>

#include <string>

class QDialog;
class QUrl;
class QWidget;

class Prompts {
public:
    enum class Answer { Yes, No, Cancel };
    // The icon of a question box.
    enum class Look { Question, Warning };

    virtual ~Prompts() = default;

    // Message boxes with an OK button; parent may be null.
    virtual void Information(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void Warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // Yes/No: true for Yes.
    virtual bool Question(QWidget* parent, const QString& title, const QString& text, Look look = Look::Question) = 0;
    // Yes/No with No as the default button, for a question whose Yes loses
    // data (Enter answers No); true for Yes.
    virtual bool QuestionDefaultNo(QWidget* parent, const QString& title, const QString& text,
                                   Look look = Look::Question) {
        return Question(parent, title, text, look);
    }
    // Yes/No/Cancel; closing the box answers Cancel.
    virtual Answer QuestionCancel(QWidget* parent, const QString& title, const QString& text,
                                  Look look = Look::Question) = 0;

    // The shared file dialogs (ui/FileDialogs.h); true when a file was chosen.
    virtual bool OpenFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                          std::string& path) = 0;
    virtual bool SaveFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                          bool overwritePrompt, std::string& path) = 0;
    // A folder; true when one was chosen (folder then holds it).
    virtual bool ChooseFolder(QWidget* parent, const std::string& title, std::string& folder) = 0;
    // Hands url to the desktop (browser, text viewer).
    // False when no program could be started to show it.
    virtual bool OpenUrl(const QUrl& url) = 0;
    // Runs dialog modally; its result (QDialog::Accepted or Rejected).
    virtual int Exec(QDialog& dialog) = 0;

    // The language texts section/key + ".Title" and section/key + ".Message".
    static QString KeyTitle(const char* section, const char* key);
    static QString KeyMessage(const char* section, const char* key);
    void InformationKey(QWidget* parent, const char* section, const char* key);
    void ErrorKey(QWidget* parent, const char* section, const char* key);
    void WarningKey(QWidget* parent, const char* section, const char* key);
};

// The Qt boxes and dialogs.
class QtPrompts : public Prompts {
public:
    void Information(QWidget* parent, const QString& title, const QString& text) override;
    void Error(QWidget* parent, const QString& title, const QString& text) override;
    void Warning(QWidget* parent, const QString& title, const QString& text) override;
    bool Question(QWidget* parent, const QString& title, const QString& text, Look look) override;
    bool QuestionDefaultNo(QWidget* parent, const QString& title, const QString& text, Look look) override;
    Answer QuestionCancel(QWidget* parent, const QString& title, const QString& text, Look look) override;
    bool OpenFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                  std::string& path) override;
    bool SaveFile(const std::string& title, const std::string& filter, const std::string& defaultExt,
                  bool overwritePrompt, std::string& path) override;
    bool ChooseFolder(QWidget* parent, const std::string& title, std::string& folder) override;
    bool OpenUrl(const QUrl& url) override;
    int Exec(QDialog& dialog) override;
};

// The service of the windows that were handed none (a QtPrompts).
Prompts& DefaultPrompts();
