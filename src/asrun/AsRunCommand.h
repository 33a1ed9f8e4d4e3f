#pragma once

namespace qc {

// `quillorncontrol --as-run FROM TO --csv FILE` or `--pdf FILE`: the as-run report for the dates
// FROM to TO (YYYY-MM-DD, inclusive) into FILE, without a window and beside a running station: it
// opens no port and takes no lock. Runs before any application object exists.
bool isAsRunCommand(int argc, char** argv);
// Exit status 0 when FILE was written; 2, with one line on standard error and no FILE, for a bad
// date, FROM after TO or a FILE that cannot be written. A row that cannot be read is a warning line.
int runAsRunCommand(int& argc, char** argv);

}  // namespace qc
