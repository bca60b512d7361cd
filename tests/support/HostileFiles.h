#pragma once
// Files no reader may read: a FIFO, devices, a folder and a sparse file of 3 GB, each
// under a name with the extension a reader expects, made in a folder of the test's own.

#include <QString>
#include <vector>

struct THostileFile {
    QString path;
    QString cause; // what the refusal says after the file's name
};

// The files, named NAME.extension; empty when the folder cannot hold them.
std::vector<THostileFile> MakeHostileFiles(const QString& dir, const QString& extension);
