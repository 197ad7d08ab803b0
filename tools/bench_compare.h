// fenwillow-render --bench --against OTHER: this program's bench and
// another build's, run by turns in one session so that both see the same
// load on the machine, and their ratios.
#pragma once

#include <string>
#include <vector>

// Runs `self` and `other`, each with `benchArguments`, `rounds` times by
// turns and prints each round's frame median and start-up, their medians
// and the ratios. Returns 0, or 1 when a run fails or prints no figures.
int CompareBenches(const std::string& self, const std::string& other, const std::vector<std::string>& benchArguments,
                   int rounds);
