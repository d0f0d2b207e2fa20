// One browser-like process of the stress test: 8 toolbar instances, each with its own window on
// its own thread and its own connection thread, each asking `checks` address checks one after
// another. Exit code 0 when every reply reached the window that asked, with its own address, and
// no slot is left in the table.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "delivery_window.h"
#include "lumora_svc_api.h"
#include "table_probe.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        return 10;
    }
    const int port = std::atoi(argv[1]);
    const int checks = std::atoi(argv[2]);
    constexpr int kToolbars = 8;
    StartSockets();
    TableProbe probe;
    std::atomic<int> lost{0};
    std::atomic<int> crossed{0};
    std::vector<std::thread> toolbars;
    for (int t = 0; t < kToolbars; ++t) {
        toolbars.emplace_back([&, t] {
            DeliveryWindow window;
            SvcHandle* handle = window.Handle() != nullptr
                                    ? LMSvcInitialize("127.0.0.1", port, nullptr)
                                    : nullptr;
            if (handle == nullptr) {
                lost += checks;
                return;
            }
            for (int i = 0; i < checks; ++i) {
                char url[128];
                std::snprintf(url, sizeof url, "http://p%lu-t%d-i%d.example/",
                              GetCurrentProcessId(), t, i);
                SvcUrlRequest request;
                MakeUrlRequest(&request, url);
                LMSvcURLRequest(window.Handle(), &request);
                if (!window.WaitFor(static_cast<size_t>(i + 1), 3000)) {
                    ++lost;
                    break;
                }
                const Delivery d = window.Deliveries().back();
                SvcUrlResponse reply;
                if (d.code != static_cast<uint32_t>(LM_SVC_URL_RESP) ||
                    UnpackRecord(d.bytes.data(), d.bytes.size(), &reply) != d.bytes.size() ||
                    std::strcmp(reply.url, url) != 0) {
                    ++crossed;
                }
            }
            LMSvcFree(handle);
        });
    }
    for (std::thread& toolbar : toolbars) {
        toolbar.join();
    }
    const int left = probe.BusySlots();
    std::printf("pid %lu: lost %d, crossed %d, slots left %d\n", GetCurrentProcessId(), lost.load(),
                crossed.load(), left);
    return lost == 0 && crossed == 0 && left == 0 ? 0 : 1;
}
