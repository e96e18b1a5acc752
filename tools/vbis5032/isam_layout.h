#pragma once

#include <string>
#include <vector>

namespace vbis {

// The two kinds of file: Vorbel's notes (callsign -> note) and Vorbel32's logbooks.
enum class FileKind { Notes, Logbook };

struct FieldSpec {
    std::string name; // column name in the file, the ADIF tag where ADIF has one
    int width;        // the most characters the field may hold
};

// The fields of one record, in their order, and where the callsign key lives.
struct Layout {
    FileKind kind;
    std::vector<FieldSpec> fields;
    // Logbooks keep the callsign in field 1; a notes record is the note alone, its callsign
    // is only the key.
    bool keyIsField1() const { return kind == FileKind::Logbook; }
};

const Layout& NotesLayout();
const Layout& LogbookLayout();

// Field numbers of a logbook record, counting from 1.
constexpr int kLogbookCallField = 1;
constexpr int kLogbookNotesField = 21;
constexpr int kLogbookOperatorField = 22;
constexpr int kLogbookFieldCount = 66;

const char* KindName(FileKind kind);

} // namespace vbis
