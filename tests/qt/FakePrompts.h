#pragma once
// A prompt service for the window tests: records every box, file dialog, web
// link and modal dialog, and answers from a script instead of showing them.
#include <QDialog>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "ui/Prompts.h"

class FakePrompts : public Prompts {
public:
    enum class Kind { Information, Error, Warning, Question, QuestionCancel };
    struct Box {
        Kind kind;
        QString title;
        QString text;
        Look look = Look::Question;
        bool defaultNo = false;  // a question whose default button is No
    };
    struct FileAsk {
        bool save;
        std::string title, filter, ext, start;
        bool overwritePrompt;
    };

    std::vector<Box> boxes;
    std::vector<FileAsk> files;
    QStringList urls;
    QStringList dialogs;  // object names of the dialogs run

    // Answers of the questions in turn, then defaultAnswer (Yes/No questions
    // take Cancel as No).
    std::deque<Answer> answers;
    Answer defaultAnswer = Answer::No;
    // Paths chosen by the file and folder dialogs in turn, then defaultPath;
    // an empty path cancels.
    std::deque<std::string> paths;
    std::string defaultPath;
    // Answers the modal dialogs (they are never shown); without it they are rejected.
    std::function<int(QDialog&)> onExec;
    // When set, the file and folder dialogs and the modal dialogs without
    // onExec are its own (real ones); the boxes are still only recorded.
    Prompts* real = nullptr;

    // The modal dialogs of class Dialog are answered by answer(dialog) (its
    // result), the others are rejected.
    template <class Dialog, class F>
    void AnswerDialogs(F answer) {
        onExec = [answer](QDialog& d) {
            auto* dialog = qobject_cast<Dialog*>(&d);
            return dialog ? int(answer(*dialog)) : int(QDialog::Rejected);
        };
    }

    // Titles of the boxes of one kind, in order.
    QStringList Titles(Kind kind) const {
        QStringList r;
        for (const Box& b : boxes)
            if (b.kind == kind) r << b.title;
        return r;
    }
    QStringList Texts(Kind kind) const {
        QStringList r;
        for (const Box& b : boxes)
            if (b.kind == kind) r << b.text;
        return r;
    }
    QStringList AllTitles() const {
        QStringList r;
        for (const Box& b : boxes) r << b.title;
        return r;
    }
    QStringList Errors() const { return Titles(Kind::Error); }
    QStringList Infos() const { return Titles(Kind::Information); }
    QStringList Warnings() const { return Titles(Kind::Warning); }
    QStringList Questions() const { return Titles(Kind::Question) + Titles(Kind::QuestionCancel); }
    void Clear() {
        boxes.clear();
        files.clear();
        urls.clear();
        dialogs.clear();
    }

    void Information(QWidget*, const QString& title, const QString& text) override {
        boxes.push_back({Kind::Information, title, text});
    }
    void Error(QWidget*, const QString& title, const QString& text) override {
        boxes.push_back({Kind::Error, title, text});
    }
    void Warning(QWidget*, const QString& title, const QString& text) override {
        boxes.push_back({Kind::Warning, title, text});
    }
    bool Question(QWidget*, const QString& title, const QString& text, Look look) override {
        boxes.push_back({Kind::Question, title, text, look});
        return NextAnswer() == Answer::Yes;
    }
    bool QuestionDefaultNo(QWidget*, const QString& title, const QString& text, Look look) override {
        boxes.push_back({Kind::Question, title, text, look, true});
        return NextAnswer() == Answer::Yes;
    }
    Answer QuestionCancel(QWidget*, const QString& title, const QString& text, Look look) override {
        boxes.push_back({Kind::QuestionCancel, title, text, look});
        return NextAnswer();
    }
    bool OpenFile(const std::string& title, const std::string& filter, const std::string& ext,
                  std::string& path) override {
        files.push_back({false, title, filter, ext, path, false});
        if (real) return real->OpenFile(title, filter, ext, path);
        return NextPath(path);
    }
    bool SaveFile(const std::string& title, const std::string& filter, const std::string& ext, bool overwritePrompt,
                  std::string& path) override {
        files.push_back({true, title, filter, ext, path, overwritePrompt});
        if (real) return real->SaveFile(title, filter, ext, overwritePrompt, path);
        return NextPath(path);
    }
    bool ChooseFolder(QWidget* parent, const std::string& title, std::string& folder) override {
        files.push_back({false, title, std::string(), std::string(), folder, false});
        if (real) return real->ChooseFolder(parent, title, folder);
        return NextPath(folder);
    }
    // What OpenUrl answers: false as where no browser is installed.
    bool urlOpens = true;
    bool OpenUrl(const QUrl& url) override {
        urls << url.toString();
        return urlOpens;
    }
    int Exec(QDialog& dialog) override {
        dialogs << dialog.objectName();
        if (onExec) return onExec(dialog);
        return real ? real->Exec(dialog) : int(QDialog::Rejected);
    }

private:
    Answer NextAnswer() {
        if (answers.empty()) return defaultAnswer;
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    bool NextPath(std::string& path) {
        std::string p = defaultPath;
        if (!paths.empty()) {
            p = paths.front();
            paths.pop_front();
        }
        if (p.empty()) return false;
        path = p;
        return true;
    }
};
