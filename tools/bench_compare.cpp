#include "tools/bench_compare.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace {

struct Figures {
  double frameUs = 0;
  double startupMs = 0;
};

// The standard output of `program` run with `arguments`.
std::string Output(const std::string& program, const std::vector<std::string>& arguments) {
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) throw std::runtime_error("cannot make a pipe");
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("cannot start " + program);
  if (child == 0) {
    dup2(pipeEnds[1], STDOUT_FILENO);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(pipeEnds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, static_cast<std::size_t>(n));
  close(pipeEnds[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw std::runtime_error(program + " failed");
  return text;
}

// The number after `label` at the start of a line of the bench's report.
double Figure(const std::string& report, const std::string& label, const std::string& program) {
  std::istringstream lines(report);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind(label, 0) == 0) return std::strtod(line.c_str() + label.size(), nullptr);
  }
  throw std::runtime_error(program + " reports no \"" + label + "\"");
}

Figures Run(const std::string& program, const std::vector<std::string>& arguments) {
  const std::string report = Output(program, arguments);
  return {Figure(report, "frame median", program), Figure(report, "start-up", program)};
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace

int CompareBenches(const std::string& self, const std::string& other, const std::vector<std::string>& benchArguments,
                   int rounds) {
  std::vector<double> frames[2], startups[2];
  std::printf("round  frame median (this, other)   start-up (this, other)\n");
  try {
    for (int round = 1; round <= rounds; ++round) {
      // Each round starts with the other program of the previous one.
      const bool selfFirst = round % 2 == 1;
      Figures figures[2];
      figures[selfFirst ? 0 : 1] = Run(selfFirst ? self : other, benchArguments);
      figures[selfFirst ? 1 : 0] = Run(selfFirst ? other : self, benchArguments);
      for (int k = 0; k < 2; ++k) {
        frames[k].push_back(figures[k].frameUs);
        startups[k].push_back(figures[k].startupMs);
      }
      std::printf("%5d  %8.1f us %9.1f us    %7.2f ms %8.2f ms\n", round, figures[0].frameUs, figures[1].frameUs,
                  figures[0].startupMs, figures[1].startupMs);
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "fenwillow-render: %s\n", error.what());
    return 1;
  }
  const double frame[2] = {Median(frames[0]), Median(frames[1])};
  const double startup[2] = {Median(startups[0]), Median(startups[1])};
  std::printf("median of %d rounds\n", rounds);
  std::printf("frame median     this %.1f us, other %.1f us: other / this = %.2f\n", frame[0], frame[1],
              frame[1] / frame[0]);
  std::printf("start-up         this %.2f ms, other %.2f ms: this / other = %.2f\n", startup[0], startup[1],
              startup[0] / startup[1]);
  return 0;
}
