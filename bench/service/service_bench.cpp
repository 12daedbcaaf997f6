// Speed of the checking engine on Chinese text at each Weight, the load of
// the reading data and the speed of the rules over it, of the
// misspelling dictionary against a one-search-per-entry baseline, and the
// latency of a progress poll over loopback HTTP.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <thread>

#include "base/service_text.h"
#include "http/service_operations.h"
#include "http/service_server.h"
#include "rules/service_dictionary.h"
#include "rules/service_engine.h"
#include "rules/service_english.h"
#include "rules/service_rules.h"
#include "rules/service_traditional.h"
#include "store/service_store.h"
#include "velmo_protocol.h"

using namespace velmo_service;

namespace {

std::string source_dir() {
    const char* src = std::getenv("VELMO_SOURCE_DIR");
    return src ? src : VELMO_BENCH_SOURCE_DIR;
}

std::string data_dir() { return source_dir() + "/service/data"; }

const check_engine& engine() {
    static check_engine e([] {
        engine_config c;
        c.data_dir = data_dir();
        return c;
    }());
    return e;
}

// The same engine without the word model: the rules the model weighs stay silent.
const check_engine& engine_without_model() {
    static check_engine e([] {
        engine_config c;
        c.data_dir = data_dir();
        c.language_model_file.clear();
        return c;
    }());
    return e;
}

// The sentence of a bake-off training row with its wrong characters put right;
// empty when the row does not say so consistently.
std::string corrected_bakeoff_sentence(const std::vector<std::string>& cols) {
    if (cols.size() < 2 || (cols[0] != "csc" && cols[0] != "clean")) return {};
    if (cols[0] == "clean") return cols[1];
    if (cols.size() < 5) return {};
    std::u16string text = text_utf8_to_utf16(cols[1]);
    const std::vector<std::string> correct = text_split(cols[3], '|'),
                                   pos = text_split(cols[4], '|');
    if (correct.size() != pos.size()) return {};
    for (std::size_t k = 0; k < pos.size(); ++k) {
        const std::u16string c = text_utf8_to_utf16(correct[k]);
        const std::size_t at = std::strtoul(pos[k].c_str(), nullptr, 10);
        if (c.size() != 1 || at >= text.size()) return {};
        text[at] = c[0];
    }
    return text_utf16_to_utf8(text);
}

// The office sentences of a labelled file, with "[wrong|right]" read as right.
void office_sentences(const std::string& path, std::vector<std::string>& out) {
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::string s = text_split(line, '\t').back();
        const std::size_t open = s.find('['), bar = s.find('|', open), close = s.find(']', bar);
        if (open != std::string::npos && bar != std::string::npos && close != std::string::npos)
            s = s.substr(0, open) + s.substr(bar + 1, close - bar - 1) + s.substr(close + 1);
        out.push_back(s);
    }
}

// Varied Chinese text, each sentence once: the corrected sentences of the
// bake-off training file (learners' essays), the project's office sentences
// and some news prose with a few errors sprinkled in. No sentence repeats, so
// a cache keyed on whole sentences cannot pass for speed.
const std::string& chinese_text() {
    static const std::string text = [] {
        std::vector<std::string> sentences = {
            "随着经济社会的持续发展，城市建设进入了新的阶段，各地按部就班地推进基础设施改造。",
            "研究人员在实验中发现，新材料在高温条件下依然保持稳定，这为后续应用提供了可靠依据。",
            "会议强调，要坚持问题导向，切实解决群众反映强烈的突出问题，做到再接再厉、久久为功。",
            "在这次活动中，志愿者们主动承担了组织协调工作，赢得了参与者的一致好评。",
            "文章指出，教育的根本任务是立德树人，学校应当为学生的全面发展创造良好条件。",
            "由于天气原因，部分航班出现延误，机场方面及时发布信息并妥善安排旅客休息。",
            "他们按步就班地完成了各项准备，迫不急待地等待着项目正式启动的那一天。",
            "这家企业近年来不断加大研发投入，在关键技术领域取得了一系列重要突破。",
        };
        const std::string tests = source_dir() + "/tests/service/data/";
        office_sentences(tests + "office_clean.tsv", sentences);
        office_sentences(tests + "office_heldout.tsv", sentences);
        // The eval folder shared beside the source tree, not part of the repository.
        const std::string train_path = source_dir() + "/../shared/eval/sighan-train.tsv";
        std::ifstream train(train_path);
        if (!train)
            std::fprintf(stderr, "%s is missing: the text is only the office sentences and prose\n",
                         train_path.c_str());
        std::string line;
        while (std::getline(train, line)) {
            std::string s = corrected_bakeoff_sentence(text_split(line, '\t'));
            if (!s.empty()) sentences.push_back(std::move(s));
        }
        std::set<std::string> seen;
        std::string t;
        for (const std::string& s : sentences)
            if (seen.insert(s).second) t += s;
        return t;
    }();
    return text;
}

long resident_kb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0) return std::atol(line.c_str() + 6);
    return 0;
}

void report(benchmark::State& state, const std::u16string& text) {
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * chinese_text().size()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * text.size()));
    state.counters["text_KB"] = static_cast<double>(chinese_text().size()) / 1024.0;
}

// The whole engine with the general and punctuation rules, per Weight.
void BM_EngineAtWeight(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    check_options o;
    o.general = true;
    o.match_dots = true;
    o.weight = static_cast<int>(state.range(0));
    engine();  // loaded before the clock runs
    for (auto _ : state) benchmark::DoNotOptimize(engine().check(text, o, {}));
    report(state, text);
}
BENCHMARK(BM_EngineAtWeight)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

check_options all_families() {
    check_options o;
    o.general = o.match_dots = o.leader_sort = o.traditional = o.leader = o.taiwan = o.english =
        true;
    o.weight = 2;
    return o;
}

// Every rule family at once, strict.
void BM_EngineAllFamilies(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    engine();
    for (auto _ : state) benchmark::DoNotOptimize(engine().check(text, all_families(), {}));
    report(state, text);
}
BENCHMARK(BM_EngineAllFamilies)->Unit(benchmark::kMillisecond);

// Baseline for the one above: every rule family without the word model, so
// that the ratio of the two shows what weighing with the model costs.
void BM_EngineAllFamiliesWithoutModel(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    engine_without_model();
    for (auto _ : state)
        benchmark::DoNotOptimize(engine_without_model().check(text, all_families(), {}));
    report(state, text);
}
BENCHMARK(BM_EngineAllFamiliesWithoutModel)->Unit(benchmark::kMillisecond);

// The rules read from tables of rows (particles, function words, pronouns)
// beside the collocation rule alone, which segments the text the same way:
// the ratio shows what reading the rows costs.
void BM_RowRules(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    const bool rows = state.range(0) != 0;
    engine_without_model();
    for (auto _ : state)
        benchmark::DoNotOptimize(
            engine_without_model().check_rules(text, all_families(), [rows](std::string_view id) {
                return rows ? id == "particles" || id == "function-words" || id == "pronouns"
                            : id == "collocations";
            }));
    report(state, text);
}
BENCHMARK(BM_RowRules)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The word model alone, on windows of nine characters around every character
// of the text, as written and with that character changed (as the rules weigh
// a candidate), with the table of the model's words (1) and asking the model
// itself for every stretch (0): the same scores.
void BM_ModelWindows(benchmark::State& state) {
    static language_model with_table, without_table;
    language_model& model = state.range(0) ? with_table : without_table;
    if (!model.ready() && !model.load(engine_config{}.language_model_file, state.range(0) != 0))
        state.SkipWithError("no word model");
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    const std::u16string_view some = std::u16string_view(text).substr(0, 100000);
    for (auto _ : state) {
        double sum = 0;
        for (std::size_t i = 4; i + 5 <= some.size(); ++i) {
            std::u16string window(some.substr(i - 4, 9));
            sum += model.score(window);
            window[4] = u'的';
            sum += model.score(window);
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * some.size()));
}
BENCHMARK(BM_ModelWindows)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Loading the word model with its table of words (1) and without (0).
void BM_ModelLoad(benchmark::State& state) {
    for (auto _ : state) {
        language_model model;
        if (!model.load(engine_config{}.language_model_file, state.range(0) != 0))
            state.SkipWithError("no word model");
        benchmark::DoNotOptimize(model.table_size());
    }
}
BENCHMARK(BM_ModelLoad)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// Loading the word list, the readings and the sound index, as the engine does
// at start-up; the resident size of the whole process is reported beside it.
void BM_ReadingDataLoad(benchmark::State& state) {
    engine();  // the engine's own copy counts in the resident size
    const traditional_detector simplifier;
    for (auto _ : state) {
        lexicon words;
        pinyin_readings readings;
        homophone_index index;
        words.load(engine_config{}.lexicon_file);
        readings.load(engine_config{}.readings_file,
                      [&](char16_t c) { return simplifier.simplified(c); });
        index.build(words, readings, 30);
        benchmark::DoNotOptimize(index);
    }
    state.counters["rss_MB"] = static_cast<double>(resident_kb()) / 1024.0;
}
BENCHMARK(BM_ReadingDataLoad)->Unit(benchmark::kMillisecond);

// The whole start-up of the engine: every list, the word model, the
// confusion sets and the indexes over them; resident size beside it.
void BM_EngineLoad(benchmark::State& state) {
    for (auto _ : state) {
        engine_config c;
        c.data_dir = data_dir();
        const check_engine e(c);
        benchmark::DoNotOptimize(e.lexicon_size());
        state.counters["rss_MB"] = static_cast<double>(resident_kb()) / 1024.0;
    }
}
BENCHMARK(BM_EngineLoad)->Unit(benchmark::kMillisecond)->Iterations(2);

// Baseline for the load: reading the two files' bytes.
void BM_ReadingDataBytes(benchmark::State& state) {
    for (auto _ : state)
        for (const std::string& path :
             {engine_config{}.lexicon_file, engine_config{}.readings_file}) {
            std::ifstream in(path, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            benchmark::DoNotOptimize(bytes);
        }
}
BENCHMARK(BM_ReadingDataBytes)->Unit(benchmark::kMillisecond);

// Segmentation with the sound-alike and particle rules alone, against the
// one-pass misspelling search below.
void BM_ReadingRules(benchmark::State& state) {
    static lexicon words;
    static pinyin_readings readings;
    static homophone_index index;
    static word_rule_file particles;
    if (words.empty()) {
        std::string error;
        particles.load(data_dir() + "/rules/particles.rules", &error);
        const traditional_detector simplifier;
        words.load(engine_config{}.lexicon_file);
        readings.load(engine_config{}.readings_file,
                      [&](char16_t c) { return simplifier.simplified(c); });
        index.build(words, readings, 30);
    }
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    for (auto _ : state) {
        std::vector<finding> out;
        const std::vector<chinese_run> runs = lexicon_segment_runs(words, text);
        rules_homophones(runs, words, index, 1, out);
        particles.find(text, runs, words, out);
        benchmark::DoNotOptimize(out);
    }
    report(state, text);
}
BENCHMARK(BM_ReadingRules)->Unit(benchmark::kMillisecond);

const phrase_dictionary& misspellings() {
    static phrase_dictionary d = [] {
        phrase_dictionary x;
        x.load_file(data_dir() + "/misspellings.txt");
        x.build();
        return x;
    }();
    return d;
}

// The misspelling dictionary alone: one pass over the text.
void BM_DictionaryOnePass(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    for (auto _ : state) {
        std::vector<finding> out;
        misspellings().find(text, 2, out);
        benchmark::DoNotOptimize(out);
    }
    report(state, text);
}
BENCHMARK(BM_DictionaryOnePass)->Unit(benchmark::kMillisecond);

// Baseline: one search of the text per dictionary entry.
void BM_DictionarySearchPerEntry(benchmark::State& state) {
    const std::u16string text = text_utf8_to_utf16(chinese_text());
    std::vector<std::u16string> patterns;
    for (std::size_t i = 0; i < misspellings().size(); ++i)
        patterns.push_back(text_utf8_to_utf16(misspellings().entry(static_cast<int>(i)).phrase));
    for (auto _ : state) {
        std::size_t hits = 0;
        for (const auto& p : patterns)
            for (std::size_t pos = text.find(p); pos != std::u16string::npos;
                 pos = text.find(p, pos + 1))
                ++hits;
        benchmark::DoNotOptimize(hits);
    }
    report(state, text);
}
BENCHMARK(BM_DictionarySearchPerEntry)->Unit(benchmark::kMillisecond);

// Articles of about 2,500 characters mixing Chinese prose with English
// sentences in which about one word in three is misspelt or made up, as
// pasted notes and references are. Each article has its own made-up words.
std::u16string mixed_article(int n) {
    const char* chinese[] = {
        "随着经济社会的持续发展，城市建设进入了新的阶段，各地按部就班地推进基础设施改造。",
        "研究人员在实验中发现，新材料在高温条件下依然保持稳定，这为后续应用提供了可靠依据。",
        "会议强调，要坚持问题导向，切实解决群众反映强烈的突出问题。",
    };
    const char* english[] = {
        "The commitee will recieve the report tomorow and forward it to thier partners. ",
        "Acording to the reserch team, the new matrial remains stable at high temperatures. ",
        "Please adress all questions to the organizer before the begining of the sesion. ",
    };
    std::string t;
    for (int i = 0; t.size() < 5000; ++i) {
        t += chinese[i % 3];
        t += english[(i + n) % 3];
        t += "Snorg" + std::to_string(n) + "x blorf" + std::to_string(i) + "q zanquix" +
             std::to_string(n * 7 + i) + ". ";
    }
    return text_utf8_to_utf16(t);
}

// Two workers checking mixed articles with English on: jobs per second.
void BM_MixedArticlesOnTwoWorkers(benchmark::State& state) {
    check_options o;
    o.general = o.match_dots = o.english = true;
    std::vector<std::u16string> articles;
    for (int i = 0; i < 4; ++i) articles.push_back(mixed_article(i));
    int round = 0;
    for (auto _ : state) {
        std::vector<std::thread> workers;
        for (int w = 0; w < 2; ++w)
            workers.emplace_back([&, w] {
                for (int k = 0; k < 2; ++k)
                    benchmark::DoNotOptimize(
                        engine().check(articles[(round + w * 2 + k) % 4], o, {}));
            });
        for (std::thread& t : workers) t.join();
        ++round;
    }
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(BM_MixedArticlesOnTwoWorkers)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The English speller over one mixed article in the pieces of 1,000
// characters the client sends: /0 with a fresh speller for every article
// (each piece asks Hunspell about the words the pieces before asked), /1
// with one speller kept, whose suggestions later pieces and articles reuse.
void BM_EnglishPiecesOfOneArticle(benchmark::State& state) {
    const std::u16string article = mixed_article(0);
    constexpr std::size_t piece = 1000;
    const auto make = [] {
        return std::make_unique<english_speller>("/usr/share/hunspell/en_US.aff",
                                                 "/usr/share/hunspell/en_US.dic");
    };
    std::unique_ptr<english_speller> speller = make();
    for (auto _ : state) {
        if (state.range(0) == 0) {
            state.PauseTiming();
            speller = make();
            state.ResumeTiming();
        }
        for (std::size_t from = 0; from < article.size(); from += piece) {
            std::vector<finding> out;
            speller->find(article.substr(from, piece), out);
            benchmark::DoNotOptimize(out);
        }
    }
    report(state, article);
}
BENCHMARK(BM_EnglishPiecesOfOneArticle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// A store in a fresh temporary folder with one account `user`, removed afterwards.
struct bench_store {
    std::string dir;
    service_store store;
    bench_store(const char* folder, const std::string& user)
        : dir((std::filesystem::temp_directory_path() / folder).string()) {
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        std::string error;
        store.open(dir + "/bench.db", &error);
        store.add_user(user, "right-number", 1000000, "2099-12-31", &error);
    }
    ~bench_store() { std::filesystem::remove_all(dir); }
};

// A sign-in with a wrong number, for a name that exists and for one that does
// not: the two should cost the same, so that timing tells no names apart.
void BM_SignInWrongNumber(benchmark::State& state) {
    bench_store s("velmo-service-bench-signin", "known");
    const std::string name = state.range(0) ? "known" : "unknown";
    for (auto _ : state) benchmark::DoNotOptimize(s.store.check_login(name, "wrong-number"));
}
BENCHMARK(BM_SignInWrongNumber)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// One progress poll of a job, over a kept-alive loopback connection.
void BM_ProgressPollOnLoopback(benchmark::State& state) {
    bench_store s("velmo-service-bench", "bench");
    {
        std::string error;
        service_operations operations(s.store, engine(), service_limits{});
        server_config config;
        config.port = 0;
        service_server server(operations, config);
        server.bind(&error);
        std::thread serving([&] { server.run(); });
        server.wait_until_ready();
        const std::string pid = *operations.jobs().create("bench");
        const std::string body =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><soap12:Envelope "
            "xmlns:xsi=\"" VELMO_XSI_NS
            "\" "
            "xmlns:xsd=\"" VELMO_XSD_NS
            "\" "
            "xmlns:soap12=\"" VELMO_SOAP12_NS "\"><soap12:Body><" VELMO_OP_PROGRESS
            " xmlns=\"" VELMO_PROTOCOL_NS "\"><" VELMO_REQ_PID ">" +
            pid +
            "</" VELMO_REQ_PID "><" VELMO_REQ_TOKEN ">0</" VELMO_REQ_TOKEN "></" VELMO_OP_PROGRESS
            "></soap12:Body></soap12:Envelope>";
        {
            httplib::Client client("127.0.0.1", server.port());
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            for (auto _ : state) {
                auto res = client.Post("/", body, "application/soap+xml; charset=utf-8");
                if (!res || res->status != 200) state.SkipWithError("poll failed");
            }
        }
        server.stop();
        serving.join();
    }
}
BENCHMARK(BM_ProgressPollOnLoopback)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
