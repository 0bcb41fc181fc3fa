#pragma once
// vantelctl from the moment it is started to its first byte on the wire: the program is
// started with --port on a pseudo-terminal and "clear"; the time runs from just before the
// process is created until the reader thread of the pty's other end reads the byte. The CPU
// time of each run says how much of that the program itself costs on a busy machine.

#include <QString>

#include <vector>

class PtyLine;

struct FirstByteSamples {
    std::vector<double> ms;
    std::vector<double> cpuMs; // user and system time of each whole run
    QString error;             // empty when every run sent exactly the byte it should
};

FirstByteSamples measureFirstByte(const QString &program, PtyLine &line, int runs);

// The memory a dry run of a large script costs beyond the program's own: a script just under
// the largest a script can be, of the shortest lines that make a step each ("0D"), played with
// --dry-run; the peak resident memory of that run less that of a dry run of "clear", per
// byte of the script.
struct PlayMemory {
    double bytesPerScriptByte = 0;
    double peakMiB = 0;
    QString error;
};

PlayMemory measurePlayMemory(const QString &program);
