#include "toolbar_conversation.h"

#include "text_codec.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <unordered_map>

namespace {

bool IsRequestCode(int32_t code)
{
    return code == LM_SVC_CONNECT_REQ || code == LM_SVC_TOOLBAR_MSG_REQ ||
           code == LM_SVC_URL_REQ || code == LM_SVC_NOTICE_REQ || code == LM_SVC_CHANGED_REQ;
}

const char* CodeName(int32_t code)
{
    switch (code) {
    case LM_SVC_CONNECT_REQ: return "CONNECT";
    case LM_SVC_TOOLBAR_MSG_REQ: return "TOOLBAR_MSG";
    case LM_SVC_URL_REQ: return "URL";
    case LM_SVC_NOTICE_REQ: return "NOTICE";
    case LM_SVC_CHANGED_REQ: return "CHANGED";
    default: return "-";
    }
}

// A received text for the log: UTF-8, control characters shown as '?', at most `max` bytes.
std::string LogText(const char* cp949, size_t max)
{
    std::string text(cp949, strnlen(cp949, 4096));
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        text = Cp949ToUtf8(text);
    if (text.size() > max) {
        size_t cut = max;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            cut--;
        text = text.substr(0, cut) + "...";
    }
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    return text;
}

void CopyCut(char* dest, size_t size, const std::string& text)
{
    size_t n = std::min(text.size(), size - 1);
    std::memcpy(dest, text.data(), n);
    dest[n] = '\0';
}

// Country names in CP949, converted once per thread and name.
const std::string& CountryNameOnWire(const std::string& utf8)
{
    thread_local std::unordered_map<std::string, std::string> cache;
    auto it = cache.find(utf8);
    if (it == cache.end()) {
        if (cache.size() > 1024)
            cache.clear();
        it = cache.emplace(utf8, Utf8ToCp949(utf8)).first;
    }
    return it->second;
}

enum class RecordKind { Seq, Url, Message, Notice, End };

} // namespace

ToolbarConversation::ToolbarConversation(std::shared_ptr<const StoreSnapshot> snapshot,
                                         const ToolbarServiceSettings& settings, int32_t now)
    : snapshot_(std::move(snapshot)), settings_(settings), now_(now)
{
}

ToolbarConversation::Status ToolbarConversation::Fail(const std::string& why)
{
    failure_ = why;
    status_ = Status::Failed;
    return status_;
}

ToolbarConversation::Status ToolbarConversation::Consume(const uint8_t* data, size_t length)
{
    while (status_ == Status::NeedMore && length > 0) {
        if (!headerAccepted_) {
            size_t take = std::min(length, static_cast<size_t>(kPacketHeaderSize) - headerHave_);
            std::memcpy(headerBytes_ + headerHave_, data, take);
            headerHave_ += take;
            data += take;
            length -= take;
            if (headerHave_ < static_cast<size_t>(kPacketHeaderSize))
                return status_;
            // Check sizes before the reader reserves anything: the body is bounded here.
            PacketHeader h = DecodePacketHeader(headerBytes_);
            if (h.magic != kPacketMagic)
                return Fail("wrong magic");
            if (h.kind != kPacketKind)
                return Fail("wrong packet kind " + std::to_string(h.kind));
            if (h.cipher != 0 && h.cipher != 1)
                return Fail("unknown cipher " + std::to_string(h.cipher));
            if (h.length < 0 || h.pad < 0 ||
                static_cast<int64_t>(h.length) + h.pad > static_cast<int64_t>(settings_.maxRequestBody))
                return Fail("oversize body");
            if ((kPacketHeaderSize + static_cast<int64_t>(h.length) + h.pad) % kPacketAlignment != 0)
                return Fail("packet size not a multiple of 128");
            if (!IsRequestCode(h.code))
                return Fail("unknown code " + std::to_string(h.code));
            switch (reader_.AcceptHeader(headerBytes_)) {
            case PacketReader::HeaderResult::Ok:
                break;
            case PacketReader::HeaderResult::BadSequenceOrMagic:
                return Fail("wrong sequence number " + std::to_string(h.seq));
            case PacketReader::HeaderResult::BadSize:
                return Fail("body not whole cipher blocks");
            }
            code_ = h.code;
            headerAccepted_ = true;
            if (reader_.BodySize() == 0)
                return HandleRequest();
            continue;
        }
        size_t need = reader_.BodySize() - bodyHave_;
        size_t take = std::min(length, need);
        std::memcpy(reader_.BodyBuffer() + bodyHave_, data, take);
        bodyHave_ += take;
        data += take;
        length -= take;
        if (bodyHave_ < reader_.BodySize())
            return status_;
        if (reader_.AcceptBody() != PacketReader::BodyResult::Ok)
            return Fail("body not whole cipher blocks");
        return HandleRequest();
    }
    return status_;
}

ToolbarConversation::Status ToolbarConversation::HandleRequest()
{
    switch (code_) {
    case LM_SVC_CONNECT_REQ:
    case LM_SVC_CHANGED_REQ:
    case LM_SVC_NOTICE_REQ:
        InitRecordEnvelope(&seqRequest_.env, now_);
        ReadRecord(reader_, &seqRequest_);
        requestEnv_ = seqRequest_.env;
        break;
    case LM_SVC_TOOLBAR_MSG_REQ:
        InitRecordEnvelope(&msgRequest_.env, now_);
        ReadRecord(reader_, &msgRequest_);
        requestEnv_ = msgRequest_.env;
        break;
    case LM_SVC_URL_REQ:
        urlRequest_.reset(new SvcUrlRequest);
        std::memset(urlRequest_.get(), 0, sizeof(SvcUrlRequest));
        InitRecordEnvelope(&urlRequest_->env, now_);
        ReadRecord(reader_, urlRequest_.get());
        requestEnv_ = urlRequest_->env;
        break;
    }
    status_ = Status::Replying;
    return status_;
}

void ToolbarConversation::FillReplyEnvelope(SvcEnvelope* env) const
{
    *env = requestEnv_;
    env->time = now_;
    std::memset(env->reserved, 0, sizeof(env->reserved));
    env->opt1 = 0;
    env->opt2 = 0;
    env->opt3 = 0;
}

void ToolbarConversation::FillNumbers(int32_t noticeSeq[kNoticeKinds], int32_t* toolbarMsgSeq) const
{
    for (int i = 0; i < kNoticeKinds; i++)
        noticeSeq[i] = snapshot_->noticeSeq[i];
    *toolbarMsgSeq = snapshot_->toolbarMsgSeq;
}

void ToolbarConversation::AppendPacket(std::string& out, int32_t code, const void* record, int kind)
{
    writer_.Begin(code);
    writer_.Header().cipher = 1;
    switch (static_cast<RecordKind>(kind)) {
    case RecordKind::Seq:
        WriteRecord(writer_, *static_cast<SvcSeqRecord*>(const_cast<void*>(record)));
        break;
    case RecordKind::Url:
        WriteRecord(writer_, *static_cast<SvcUrlResponse*>(const_cast<void*>(record)));
        break;
    case RecordKind::Message:
        WriteRecord(writer_, *static_cast<SvcToolbarMsg*>(const_cast<void*>(record)));
        break;
    case RecordKind::Notice:
        WriteRecord(writer_, *static_cast<SvcNotice*>(const_cast<void*>(record)));
        break;
    case RecordKind::End:
        if (record)
            writer_.PutInt(*static_cast<const int32_t*>(record));
        break;
    }
    if (writer_.Finish() == PacketWriter::FinishResult::Ok)
        out.append(reinterpret_cast<const char*>(writer_.Data()), writer_.Size());
}

bool ToolbarConversation::Produce(std::string& out, size_t budget)
{
    if (status_ != Status::Replying)
        return true;
    switch (code_) {
    case LM_SVC_CONNECT_REQ:
    case LM_SVC_CHANGED_REQ: {
        SvcSeqRecord reply;
        std::memset(&reply, 0, sizeof(reply));
        FillReplyEnvelope(&reply.env);
        reply.env.opt3 = settings_.frameLimit;
        FillNumbers(reply.notice_seq, &reply.toolbarmsg_seq);
        AppendPacket(out, code_ == LM_SVC_CONNECT_REQ ? LM_SVC_CONNECT_RESP : LM_SVC_CHANGED_RESP,
                     &reply, static_cast<int>(RecordKind::Seq));
        status_ = Status::Done;
        stage_ = 3;
        return true;
    }
    case LM_SVC_URL_REQ: {
        std::unique_ptr<SvcUrlResponse> reply(new SvcUrlResponse);
        std::memset(reply.get(), 0, sizeof(SvcUrlResponse));
        FillReplyEnvelope(&reply->env);
        FillNumbers(reply->notice_seq, &reply->toolbarmsg_seq);
        CopyCut(reply->url, sizeof(reply->url), urlRequest_->url);
        reply->urltype = urlRequest_->urltype;
        std::string url(urlRequest_->url);
        std::string host = HostOfAddress(url);
        if (host.empty())
            host = NormaliseHost(urlRequest_->host);
        const SiteRule* rule = snapshot_->rules.Find(url, urlRequest_->host);
        VerdictWords w = JudgeSite(rule, host, urlRequest_->harmful_grade, settings_.fallbackCountry);
        reply->malCode = w.malCode;
        reply->malCodePropagate = w.malCodePropagate;
        reply->phishing = w.phishing;
        reply->falsify = w.falsify;
        reply->aux1 = w.aux1;
        reply->aux2 = w.aux2;
        reply->aux3 = w.aux3;
        reply->olderThan19 = w.olderThan19;
        reply->malCodeHistory = w.malCodeHistory;
        CopyCut(reply->country_code, sizeof(reply->country_code), w.country.code);
        CopyCut(reply->countryName, sizeof(reply->countryName), CountryNameOnWire(w.country.name));
        AppendPacket(out, LM_SVC_URL_RESP, reply.get(), static_cast<int>(RecordKind::Url));
        char summary[160];
        std::snprintf(summary, sizeof(summary), "rule=%lld verdict=%d,%d,%d,%d,%d,%d,%d,%d country=%s",
                      rule ? static_cast<long long>(rule->id) : 0LL, reply->malCode,
                      reply->malCodePropagate, reply->malCodeHistory, reply->phishing,
                      reply->falsify, reply->aux2, reply->aux3, reply->olderThan19,
                      reply->country_code);
        verdictSummary_ = summary;
        status_ = Status::Done;
        stage_ = 3;
        return true;
    }
    case LM_SVC_TOOLBAR_MSG_REQ:
    case LM_SVC_NOTICE_REQ: {
        const bool messages = code_ == LM_SVC_TOOLBAR_MSG_REQ;
        if (stage_ == 0) {
            AppendPacket(out, messages ? LM_SVC_TOOLBAR_MSG_BEGIN : LM_SVC_NOTICE_BEGIN, nullptr,
                         static_cast<int>(RecordKind::End));
            stage_ = 1;
            cursor_ = 0;
        }
        if (stage_ == 1) {
            if (messages) {
                const auto& list = snapshot_->messages;
                while (cursor_ < list.size() && out.size() < budget) {
                    const SvcToolbarMsg& item = list[cursor_++];
                    if (item.toolbar_msg_seq <= msgRequest_.toolbarmsg_seq)
                        continue;
                    SvcToolbarMsg reply = item;
                    FillReplyEnvelope(&reply.env);
                    AppendPacket(out, LM_SVC_TOOLBAR_MSG_RESP, &reply,
                                 static_cast<int>(RecordKind::Message));
                    itemsSent_++;
                }
                if (cursor_ >= list.size())
                    stage_ = 2;
            } else {
                const auto& list = snapshot_->notices;
                while (cursor_ < list.size() && out.size() < budget) {
                    const SvcNotice& item = list[cursor_++];
                    if (item.notice_no <= seqRequest_.notice_seq[NoticePosition(item.notice_kind)])
                        continue;
                    std::unique_ptr<SvcNotice> reply(new SvcNotice(item));
                    FillReplyEnvelope(&reply->env);
                    reply->env.opt2 = item.env.opt2; // the transient flag
                    FillNumbers(reply->notice_seq, &reply->toolbarmsg_seq);
                    AppendPacket(out, LM_SVC_NOTICE_RESP, reply.get(),
                                 static_cast<int>(RecordKind::Notice));
                    itemsSent_++;
                }
                if (cursor_ >= list.size())
                    stage_ = 2;
            }
        }
        if (stage_ == 2 && out.size() < budget) {
            int32_t seq = requestEnv_.seq;
            AppendPacket(out, messages ? LM_SVC_TOOLBAR_MSG_END : LM_SVC_NOTICE_END, &seq,
                         static_cast<int>(RecordKind::End));
            stage_ = 3;
            status_ = Status::Done;
            return true;
        }
        return false;
    }
    }
    return true;
}

std::string ToolbarConversation::Summary() const
{
    char head[200];
    std::snprintf(head, sizeof(head), "%s seq=%d toolbar=0x%08x pcid=%s", CodeName(code_),
                  requestEnv_.seq, static_cast<unsigned>(requestEnv_.hToolbar),
                  code_ ? LogText(requestEnv_.pcid, 32).c_str() : "-");
    std::string s = head;
    switch (code_) {
    case LM_SVC_URL_REQ:
        if (urlRequest_) {
            s += " urltype=" + std::to_string(urlRequest_->urltype) +
                 " grade=" + std::to_string(urlRequest_->harmful_grade) + " url=[" +
                 LogText(urlRequest_->url, 200) + "]";
            if (!verdictSummary_.empty())
                s += " " + verdictSummary_;
        }
        break;
    case LM_SVC_TOOLBAR_MSG_REQ:
        s += " from=" + std::to_string(msgRequest_.toolbarmsg_seq) + " sent=" + std::to_string(itemsSent_);
        break;
    case LM_SVC_NOTICE_REQ: {
        s += " from=";
        for (int i = 0; i < kNoticeKinds; i++)
            s += (i ? "," : "") + std::to_string(seqRequest_.notice_seq[i]);
        s += " sent=" + std::to_string(itemsSent_);
        break;
    }
    default:
        break;
    }
    return s;
}
