// LumoraSvcDll.dll as the toolbar uses it: loaded by name, every export bound by its undecorated
// name, and one address check from the queue to the window.
#include <windows.h>

#include <cstring>

#include <gtest/gtest.h>

#include "delivery_window.h"
#include "fake_toolbar_server.h"
#include "lumora_svc_api.h"

namespace {

const char* const kExports[] = {
    "LMSvcInitialize", "LMSvcFree", "LMChangeServerIpPort", "LMSvcConnectRequest",
    "LMSvcURLRequest", "LMSvcToolbarMsgRequest", "LMSvcNoticeRequest", "LMSvcChangedRequest",
    "GetUrlContents", "GetPCID", "LMSvcConnectRequestBlocking", "LMSvcURLRequestBlocking",
    "LMSvcChangedRequestBlocking", "LMSvcToolbarMsgRequestBlocking", "LMSvcNoticeRequestBlocking",
    "LMChangeServerIpPortBlocking", "GetUrlContentsBlocking",
};

class DllTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data); // for the fake server inside this program
        module = LoadLibraryA("LumoraSvcDll.dll");
        ASSERT_NE(nullptr, module);
    }
    void TearDown() override
    {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }
    template <typename Fn>
    Fn Bind(const char* name)
    {
        return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    }
    HMODULE module = nullptr;
};

TEST_F(DllTest, EveryExportIsThereUnderItsPlainName)
{
    for (const char* name : kExports) {
        EXPECT_NE(nullptr, reinterpret_cast<void*>(GetProcAddress(module, name))) << name;
    }
}

TEST_F(DllTest, AddressCheckFromQueueToWindowAndUnloadAfterFree)
{
    FakeToolbarServer server;
    server.SetMalCode(121021);
    DeliveryWindow window;
    auto initialize = Bind<LMSvcInitializeFn>("LMSvcInitialize");
    auto request = Bind<LMSvcURLRequestFn>("LMSvcURLRequest");
    auto getPcid = Bind<GetPCIDFn>("GetPCID");
    auto release = Bind<LMSvcFreeFn>("LMSvcFree");

    char pcid[33] = {};
    EXPECT_EQ(1, getPcid(pcid));
    SvcHandle* handle = initialize("127.0.0.1", server.Port(), nullptr);
    ASSERT_NE(nullptr, handle);
    EXPECT_EQ(1, getPcid(pcid));
    EXPECT_NE('\0', pcid[0]);

    SvcUrlRequest record = {};
    std::strcpy(record.env.pcid, pcid);
    std::strcpy(record.url, "http://dll.example/");
    std::strcpy(record.page_url, record.url);
    record.urltype = 1;
    ASSERT_EQ(0, request(window.Handle(), &record));
    ASSERT_TRUE(window.WaitFor(1, 3000));
    const Delivery delivery = window.Deliveries()[0];
    EXPECT_EQ(static_cast<uint32_t>(LM_SVC_URL_RESP), delivery.code);
    SvcUrlResponse reply;
    ASSERT_EQ(delivery.bytes.size(), UnpackRecord(delivery.bytes.data(), delivery.bytes.size(), &reply));
    EXPECT_EQ(121021, reply.malCode);

    EXPECT_EQ(0, release(handle));
    FreeLibrary(module); // the thread has ended or holds its own reference to the module
    module = nullptr;
}

} // namespace
