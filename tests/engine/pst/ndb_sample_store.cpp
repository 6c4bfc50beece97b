// Writes the node database's sample store to a file, for the readers we
// did not write (ndb_readers_test.sh).
#include <cstdio>
#include <fstream>

#include "engine/pst/node_database.h"
#include "tests/engine/pst/ndb_sample_nodes.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ndb_sample_store OUT.pst\n");
        return 2;
    }
    mailvane::pst::MemoryStoreSink sink;
    mailvane::pst::NodeDatabase database(sink);
    mailvane::testing::WriteSampleNodes(database, true);
    if (!database.Finish()) {
        std::fprintf(stderr, "ndb_sample_store: %s\n", database.Error().c_str());
        return 1;
    }
    std::ofstream out(argv[1], std::ios::binary);
    out.write(reinterpret_cast<const char*>(sink.Bytes().data()), static_cast<std::streamsize>(sink.Bytes().size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "ndb_sample_store: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
