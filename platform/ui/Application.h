#pragma once
// The Qt application object of the program: every event that Qt delivers into
// our code runs guarded, so an exception that escapes a handler is reported
// instead of ending the process.

#include <QApplication>

namespace tv {

class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Loads Qt's own Japanese texts (file dialogs, standard buttons, context
// menus), so that they speak the program's language. True when they were
// found.
bool installJapaneseQtTexts();

} // namespace tv
