// The load of bench/web_load.sh: N clients over loopback on one running `actifix serve`, each
// in turn paging the register, searching a text, sorting by a column and opening an asset,
// for S seconds; prints the requests per second, the 50th and 99th percentile times and the
// errors (any status but 200, or no answer).
//   bench_web_load PORT CLIENTS SECONDS COMPANY
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <random>
#include <regex>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage : bench_web_load PORT CLIENTS SECONDES SOCIETE\n");
    return 2;
  }
  const int port = std::atoi(argv[1]), clients = std::atoi(argv[2]), seconds = std::atoi(argv[3]);
  const std::string base = std::string("/societe/") + argv[4];
  using Clock = std::chrono::steady_clock;

  // The assets to open: those the first pages link to.
  std::vector<std::string> assets;
  {
    httplib::Client probe("127.0.0.1", port);
    probe.set_read_timeout(120, 0);
    static const std::regex kAsset("href=\"(/societe/[^\"]+/immo/[^\"]+)\"");
    for (const char* page : {"", "?debut=5000", "?tri=valeur&sens=desc"}) {
      const httplib::Result r = probe.Get((base + page).c_str());
      if (!r || r->status != 200) {
        std::fprintf(stderr, "le serveur ne répond pas sur le port %d\n", port);
        return 1;
      }
      for (std::sregex_iterator it(r->body.begin(), r->body.end(), kAsset), end; it != end; ++it)
        assets.push_back((*it)[1]);
    }
  }
  const char* const searches[] = {"bureau",  "dell",  "schneider", "batiment",
                                  "renault", "00042", "logiciels", "zzz"};
  const char* const sorts[] = {"valeur", "acquisition", "vnc", "dotation", "description"};

  std::mutex mutex;
  std::vector<double> times;     // milliseconds
  std::vector<double> kinds[4];  // the same, by kind of request
  std::atomic<long> errors{0};
  const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
  std::vector<std::thread> threads;
  for (int c = 0; c < clients; ++c)
    threads.emplace_back([&, c] {
      std::mt19937 random(static_cast<unsigned>(c) + 1);
      httplib::Client client("127.0.0.1", port);
      client.set_keep_alive(true);
      client.set_tcp_nodelay(true);
      client.set_read_timeout(60, 0);
      std::vector<double> mine, mineByKind[4];
      for (long n = 0; Clock::now() < end; ++n) {
        std::string path;
        switch (n % 4) {
          case 0:
            path = base + "?debut=" + std::to_string(random() % 20000 * 50);
            break;
          case 1:
            path = base + "?q=" + searches[random() % 8] +
                   "&debut=" + std::to_string(random() % 4 * 50);
            break;
          case 2:
            path = base + "?tri=" + sorts[random() % 5] + (random() % 2 ? "&sens=desc" : "") +
                   "&debut=" + std::to_string(random() % 1000 * 50);
            break;
          default:
            path = assets[random() % assets.size()];
        }
        const Clock::time_point begun = Clock::now();
        const httplib::Result r = client.Get(path.c_str());
        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - begun).count();
        mine.push_back(ms);
        mineByKind[n % 4].push_back(ms);
        if (!r || r->status != 200) ++errors;
      }
      const std::lock_guard<std::mutex> lock(mutex);
      times.insert(times.end(), mine.begin(), mine.end());
      for (int k = 0; k < 4; ++k)
        kinds[k].insert(kinds[k].end(), mineByKind[k].begin(), mineByKind[k].end());
    });
  for (std::thread& t : threads) t.join();
  const auto at = [](std::vector<double>& t, double q) {
    std::sort(t.begin(), t.end());
    return t.empty() ? 0 : t[static_cast<std::size_t>(q * static_cast<double>(t.size() - 1))];
  };
  std::sort(times.begin(), times.end());
  const char* const names[] = {"page", "recherche", "tri", "fiche"};
  for (int k = 0; k < 4; ++k)
    std::printf("  %-9s %6zu requêtes, p50 %.1f ms, p99 %.1f ms\n", names[k], kinds[k].size(),
                at(kinds[k], 0.5), at(kinds[k], 0.99));
  std::printf(
      "requêtes %zu, par seconde %.0f, p50 %.1f ms, p99 %.1f ms, max %.1f ms, erreurs %ld\n",
      times.size(), static_cast<double>(times.size()) / seconds, at(times, 0.5), at(times, 0.99),
      times.empty() ? 0 : times.back(), errors.load());
  return errors == 0 ? 0 : 1;
}
