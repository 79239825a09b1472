// The program's (empty) document.
#pragma once

namespace zamo {

// The program's document. The agent keeps no document data: everything lives in the agent that
// the main window owns, and nothing is ever saved or loaded.
class CZamoSoccerDoc {};

}  // namespace zamo
