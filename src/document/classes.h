#pragma once

namespace kav {

// Registers every persistent class of the document with the class registry and connects the
// scene list to the project operations. Called once at start-up by every program.
void RegisterDocumentClasses();

} // namespace kav
