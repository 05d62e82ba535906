#pragma once

#include <ostream>
#include <string>
#include <vector>

// The table printed after the run: each figure beside the baseline measured in the same run.
class Summary {
public:
    struct Row {
        std::string figure;   // what the program did
        std::string baseline; // what it is held against
        double measured = 0;
        double reference = 0;
        std::string unit;
        std::string goal;
        bool met = false;
        // Held against the baseline by the difference rather than the ratio.
        bool byDifference = false;
    };

    // A row of the same figure replaces the earlier one.
    static void add(const Row& row);
    static void print(std::ostream& out);
    static bool allMet();

private:
    static std::vector<Row>& rows();
};
