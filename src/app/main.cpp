// The program's entry: on POSIX the argument vector is taken directly.
#include "app/CommandLine.h"

int main(int argc, char** argv) {
    return runQuorlex(argc, argv);
}
