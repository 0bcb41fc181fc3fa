#pragma once
// The command line of vantelctl: options first, then commands separated by "--".
//
//   vantelctl [--port COMn|PATH] [--speed 9600|19200] [--dry-run [--format hex|c|python]]
//             COMMAND [ARGS] [-- COMMAND [ARGS] ...]
//
// Only the options are read here; each command's words go to the parser (parser.h) as
// they stand, so a command's own arguments may start with "-" (text -5, listen --json).

#include <optional>
#include <variant>
#include <vector>

#include <QString>
#include <QStringList>

#include "script/scriptwriter.h"

namespace vantelctl
{

struct Invocation {
    QString port;             // as given; empty: the settings file's
    std::optional<int> speed; // 9600 or 19200; nothing: the settings file's
    bool dryRun = false;
    script::DryRunFormat format = script::DryRunFormat::Hex;
    bool help = false;
    bool version = false;
    std::vector<QStringList> commands;
};

// The invocation, or the usage error to print: which option or word, and what is allowed.
std::variant<Invocation, QString> parseInvocation(const QStringList &arguments);

QString usageText();

} // namespace vantelctl
