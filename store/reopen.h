#pragma once
// The reopen procedure: close a window's connection and datasets, open the
// connection on data.mdb of the current working directory, reset every
// dataset to its full select and open them in the order given.

#include "store/statements.h"

#include <utility>
#include <vector>

class Connection;
class Dataset;

struct ReopenTarget {
    Dataset *dataset;
    QString table; // the dataset is reset to "select * from <table>"
};

void reopen(Connection &connection, const std::vector<ReopenTarget> &targets);
