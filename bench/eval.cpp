// The expression evaluator: the cost of one evaluation of `x + 1.5` with x a variable (the
// parse of 1.5 cached in its atom), and of the commonest arithmetic through the fast path.
#include <benchmark/benchmark.h>

#include <string_view>

#include "engine/expression.h"
#include "engine/fred.h"
#include "engine/tokenizer.h"
#include "engine/variables.h"
#include "platform/memory/memory.h"
#include "platform/runtime/root.h"
#include "core/mainglobals.h"

namespace {

using namespace kv;

// A variable x holding 2 and the tokenised text, with the atom of x marked.
struct setup {
  Handle text = nilhandle, atoms = nilhandle, vars = nilhandle;
  explicit setup(std::string_view expr) {
    initglobs();
    PtrToHand(expr.data(), &text, Size(expr.size()));
    tokenize(text, &atoms);
    vars = NewHandle(0);
    varentry e;
    createvars(&HandleAs<atom>(atoms)[0], text, vars, &e);
    fred v = *HandleAs<fred>(e.value);
    longtofred(2, &v);
    disposfred(&v);
    findvars(&HandleAs<atom>(atoms)[0], text, vars, &e);
  }
  ~setup() {
    dumpvars(vars);
    DisposeHandle(atoms);
    DisposeHandle(text);
    resetruntime();
  }
};

void BM_ExpressionVariablePlusLiteral(benchmark::State& state) {
  setup s("x + 1.5");
  for (auto _ : state) {
    fred v;
    i32 count = 0;
    expression({}, s.text, s.atoms, 0, s.vars, nilhandle, &count, &v);
    benchmark::DoNotOptimize(v.real);
    disposfred(&v);
  }
}
BENCHMARK(BM_ExpressionVariablePlusLiteral);

void BM_ExpressionMillion(benchmark::State& state) {
  setup s("x + 1.5");
  for (auto _ : state) {
    for (int i = 0; i < 1000000; ++i) {
      fred v;
      i32 count = 0;
      expression({}, s.text, s.atoms, 0, s.vars, nilhandle, &count, &v);
      disposfred(&v);
    }
  }
}
BENCHMARK(BM_ExpressionMillion)->Unit(benchmark::kMillisecond);

void BM_MiniExpression(benchmark::State& state) {
  setup s("x + 1.5");
  for (auto _ : state) {
    fred v;
    i32 count = 0;
    miniexpression({}, s.text, s.atoms, 0, s.vars, nilhandle, &count, &v);
    benchmark::DoNotOptimize(v.real);
    disposfred(&v);
  }
}
BENCHMARK(BM_MiniExpression);

void BM_ExpressionPrecedence(benchmark::State& state) {
  setup s("x * 3 + 4 ^ 2 - 10 / 4 & \"!\"");
  for (auto _ : state) {
    fred v;
    i32 count = 0;
    expression({}, s.text, s.atoms, 0, s.vars, nilhandle, &count, &v);
    disposfred(&v);
  }
}
BENCHMARK(BM_ExpressionPrecedence);

}  // namespace
