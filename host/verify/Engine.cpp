#include "Engine.h"

#include <algorithm>
#include <chrono>

namespace verify {

namespace {

long long whole(const z3::model& model, const z3::expr& e)
{
    int64_t n = 0;
    return model.eval(e, true).is_numeral_i64(n) ? static_cast<long long>(n) : 0LL;
}

double number(const z3::model& model, const z3::expr& e)
{
    const z3::expr value = model.eval(e, true);
    double d = 0;
    return value.is_numeral(d) ? d : 0.0;
}

} // namespace

Engine::Engine(Encoding& encoding, Clock::time_point deadline)
    : m_encoding(encoding), m_deadline(deadline)
{}

Engine::Result Engine::search(const Target& target, int most, bool earliest, Run& run,
                              const Encoding::Values* from)
{
    z3::context& c = m_encoding.context();
    z3::solver solver(c);
    std::vector<Encoding::State> states{m_encoding.state("s0")};
    std::vector<Encoding::Step> steps;
    solver.add(from ? m_encoding.is(states[0], *from) : m_encoding.initial(states[0]));
    std::vector<std::vector<int>> possible;
    for (size_t p = 0; p < m_encoding.programs().size(); ++p)
        possible.push_back(from ? std::vector<int>{from->machines[p].step} : std::vector<int>{-1});
    const auto check = [&]() {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now())
                .count();
        if (left <= 0)
            return z3::unknown;
        solver.set("timeout", static_cast<unsigned>(left));
        try {
            return solver.check();
        } catch (const z3::exception&) {
            return z3::unknown;
        }
    };
    for (int k = 0; k < most; ++k) {
        const std::string tag = "s" + std::to_string(k + 1);
        states.push_back(m_encoding.state(tag));
        steps.push_back(
            m_encoding.step(states[k], states[k + 1], "m" + std::to_string(k), possible));
        solver.add(steps.back().relation);
        for (size_t p = 0; p < possible.size(); ++p)
            possible[p] = m_encoding.successors(p, possible[p]);
        const Goal goal = target(steps.back(), states.back());
        solver.push();
        solver.add(goal.condition);
        z3::check_result result = check();
        if (result == z3::unknown)
            return Result::Unknown;
        if (result == z3::unsat) {
            solver.pop();
            continue;
        }
        z3::model model = solver.get_model();
        if (earliest) {
            // The earliest goal time with this many macro steps.
            long long best = whole(model, goal.timeMs);
            long long low = from ? from->t : 0;
            while (low < best) {
                const long long middle = low + (best - low) / 2;
                solver.push();
                solver.add(goal.timeMs <= c.int_val(static_cast<int64_t>(middle)));
                result = check();
                if (result == z3::sat) {
                    model = solver.get_model();
                    best = whole(model, goal.timeMs);
                } else if (result == z3::unsat) {
                    low = middle + 1;
                }
                solver.pop();
                if (result == z3::unknown)
                    break;
            }
        }
        for (int j = 0; j <= k; ++j) {
            Run::Macro macro{whole(model, steps[static_cast<size_t>(j)].scanMs),
                             whole(model, steps[static_cast<size_t>(j)].wait),
                             {}};
            for (const z3::expr& input : steps[static_cast<size_t>(j)].inputs)
                macro.inputs.push_back(number(model, input));
            run.steps.push_back(std::move(macro));
        }
        run.goalMs = whole(model, goal.timeMs);
        run.end = m_encoding.read(model, states.back());
        return Result::Found;
    }
    return Result::None;
}

Engine::Result Engine::prove(const Target& target)
{
    if (late())
        return Result::Unknown;
    z3::context& c = m_encoding.context();
    try {
        z3::fixedpoint fp(c);
        z3::params params(c);
        params.set("engine", "spacer");
        // The query stops itself at the deadline (Z3 times it on its own).
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - Clock::now())
                .count();
        params.set("timeout", static_cast<unsigned>(std::max<long long>(left, 1)));
        fp.set(params);
        const Encoding::State pre = m_encoding.state("p"), post = m_encoding.state("q");
        const Encoding::Step step = m_encoding.step(pre, post, "x", {});
        z3::sort_vector sorts(c);
        for (unsigned i = 0; i < pre.all.size(); ++i)
            sorts.push_back(pre.all[i].get_sort());
        z3::func_decl reach = c.function("reach", sorts, c.bool_sort());
        z3::func_decl bad = c.function("bad", z3::sort_vector(c), c.bool_sort());
        fp.register_relation(reach);
        fp.register_relation(bad);
        z3::expr_vector every(c);
        for (const z3::expr& e : pre.all)
            every.push_back(e);
        for (const z3::expr& e : post.all)
            every.push_back(e);
        for (const z3::expr& e : step.locals)
            every.push_back(e);
        z3::expr start = z3::forall(pre.all, z3::implies(m_encoding.initial(pre), reach(pre.all)));
        z3::expr next =
            z3::forall(every, z3::implies(reach(pre.all) && step.relation, reach(post.all)));
        z3::expr found = z3::forall(
            every, z3::implies(reach(pre.all) && step.relation && target(step, post).condition,
                               bad(z3::expr_vector(c))));
        fp.add_rule(start, c.str_symbol("start"));
        fp.add_rule(next, c.str_symbol("next"));
        fp.add_rule(found, c.str_symbol("found"));
        z3::expr query = bad(z3::expr_vector(c));
        const z3::check_result result = fp.query(query);
        return result == z3::sat     ? Result::Found
               : result == z3::unsat ? Result::None
                                     : Result::Unknown;
    } catch (const z3::exception&) {
        return Result::Unknown;
    }
}

} // namespace verify
