#include "Summary.h"

#include <algorithm>
#include <iomanip>
#include <sstream>

namespace {

// The stream writes the sign: "+" + text makes GCC 12 at -O3 warn, wrongly, of overlapping copies inside
// std::string (-Wrestrict).
std::string number(double value, bool withSign = false) {
    std::ostringstream text;
    text << (withSign ? std::showpos : std::noshowpos) << std::fixed << std::setprecision(value < 10 ? 2 : 1)
         << value;
    return text.str();
}

} // namespace

std::vector<Summary::Row>& Summary::rows() {
    static std::vector<Row> all;
    return all;
}

void Summary::add(const Row& row) {
    auto& all = rows();
    const auto same =
        std::find_if(all.begin(), all.end(), [&](const Row& r) { return r.figure == row.figure; });
    if (same != all.end())
        *same = row;
    else
        all.push_back(row);
}

bool Summary::allMet() {
    return std::all_of(rows().begin(), rows().end(), [](const Row& r) { return r.met; });
}

void Summary::print(std::ostream& out) {
    out << "\n"
        << std::left << std::setw(48) << "figure" << std::setw(14) << "measured" << std::setw(32)
        << "baseline" << std::setw(14) << "value" << std::setw(8) << "ratio" << std::setw(24) << "goal"
        << "met\n";
    for (const Row& r : rows()) {
        const std::string ratio = r.byDifference    ? number(r.measured - r.reference, true)
                                  : r.reference > 0 ? number(r.measured / r.reference)
                                                    : "-";
        out << std::left << std::setw(48) << r.figure << std::setw(14) << number(r.measured) + " " + r.unit
            << std::setw(32) << r.baseline << std::setw(14) << number(r.reference) + " " + r.unit
            << std::setw(8) << ratio << std::setw(24) << r.goal << (r.met ? "yes" : "NO") << "\n";
    }
}
