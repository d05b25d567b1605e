#pragma once
#include <QString>

namespace kav {

struct StartOptions {
    QString applicationDir;   // empty: the folder of the running program
    bool createWorkDir = true;
};

// What every program does before it touches a document: settings, the working folder, the
// language table, the persistent classes and the data files the document needs.
// Throws UserError (a settings value of the wrong type, no place for a working folder).
void StartEngine(const StartOptions& options = {});

} // namespace kav
