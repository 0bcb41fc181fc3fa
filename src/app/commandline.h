#pragma once
// What vantelapp answers on its command line instead of opening the window: --help,
// --version, a missing display, arguments it does not take. Decided on plain values so a
// test can check every answer; main() only prints it and returns its status.
//
// The check comes in two steps because the application object cannot exist without a
// display, and until it exists Qt's own options (-platform, -style, -reverse, ...) are still
// among the arguments: before it, only --help, --version and the display are judged; after
// it has taken its options out, whatever is left is not ours.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <optional>

namespace commandline
{

// Text for the terminal and the exit status: standard output for status 0, standard error
// for any other.
struct Answer {
    int exitStatus = 0;
    QString text;
};

std::optional<Answer> answerBeforeApplication(const QStringList &arguments,
                                              const QProcessEnvironment &environment);

std::optional<Answer> answerLeftoverArguments(const QStringList &arguments);

// Prints the answer where it belongs and returns its exit status.
int deliver(const Answer &answer);

} // namespace commandline
