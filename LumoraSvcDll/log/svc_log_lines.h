// The daily-log lines of the service library, one constant per event, for WriteDailyLog("lumora",
// ...). The source is UTF-8; the Windows build turns the Korean texts into CP949 bytes.
#pragma once

// The log name the library always uses: the files are lumora_YYYYMMDD.log.
constexpr char kSvcLogName[] = "lumora";

// Requests sent and replies read (the message exchange).
constexpr char kLogConnectReqSent[] =
    "연결요청(LM_SVC_CONNECT_REQ=%d) toolbarmsg_seq=%d,notice_seq=%d,%d,%d,%d,%d,%d,%d\n";
constexpr char kLogChangedReqSent[] =
    "변경확인요청(LM_SVC_CHANGED_REQ=%d) toolbarmsg_seq=%d,notice_seq=%d,%d,%d,%d,%d,%d,%d\n";
constexpr char kLogUrlReqSent[] = "URL점검요청(LM_SVC_URL_REQ=%d) [%s]\n";
constexpr char kLogToolbarMsgReqSent[] = "툴바메시지요청(LM_SVC_TOOLBAR_MSG_REQ=%d) toolbarmsg_seq=%d\n";
constexpr char kLogNoticeReqSent[] =
    "공지사항요청(LM_SVC_NOTICE_REQ=%d) notice_seq=%d,%d,%d,%d,%d,%d,%d\n";
constexpr char kLogConnectRespRead[] =
    "연결요청응답(LM_SVC_CONNECT_RESP) toolbarmsg_seq=%d,notice_seq=%d,%d,%d,%d,%d,%d,%d\n";
constexpr char kLogChangedRespRead[] =
    "변경확인요청응답(LM_SVC_CHANGED_RESP) toolbarmsg_seq=%d,notice_seq=%d,%d,%d,%d,%d,%d,%d\n";
constexpr char kLogUrlRespReadThread[] =
    "URL확인요청응답(LM_SVC_URL_RESP) urltype=%d,url[%s] hToolbar[0x%08x]\n";
constexpr char kLogUrlRespReadBlocking[] = "URL확인요청응답(LM_SVC_URL_RESP) urltype=%d,url[%s]\n";
constexpr char kLogToolbarMsgRead[] =
    "툴바메시지(LM_SVC_TOOLBAR_MSG_RESP) toolbar_msg_seq=%d,msg_code=%d,msg[%s]\n";
constexpr char kLogToolbarMsgEnd[] = "툴바메시지응답 종료(LM_SVC_TOOLBAR_MSG_END)\n";
constexpr char kLogToolbarMsgUnexpected[] = "툴바메시지응답 엉뚱한 패킷 수신(not LM_SVC_TOOLBAR_MSG_RESP)\n";
constexpr char kLogNoticeRead[] = "공지사항(LM_SVC_NOTICE_RESP) notice_seq=%d,title[%s]\n";
constexpr char kLogNoticeEnd[] = "공지사항응답 종료(LM_SVC_NOTICE_END)\n";
constexpr char kLogNoticeUnexpected[] = "공지사항응답 엉뚱한 패킷 수신(not LM_SVC_NOTICE_RESP)\n";

// Blocking requests.
constexpr char kLogServerConnectFailed[] = "Toolbar Server[%s:%d] Connection Failed!\n";

// Shared request table.
constexpr char kLogShmCreateFailed[] = "SharedClient를 생성할 수 없습니다.\n";
constexpr char kLogShmMapFailed[] = "SharedClient를 연결할 수 없습니다.\n";
constexpr char kLogSemaphoreCreateFailed[] = "SharedClient를 생성할 수 없습니다. 세마포어 생성 실패\n";
constexpr char kLogExpiredNoResponseKo[] = "%d초이상 처리되지 않고 있는 요청(%s) 강제 해제(응답없음) 송신시각=%d,현재시각=%d\n";
constexpr char kLogExpiredNoResponseEn[] =
    "Request(%s) waiting more than %d seconds. Forced Removed(No Response) 송신시각=%d,현재시각=%d\n";
constexpr char kLogStaleQueuedKo[] =
    "pid=%d/%d,%d초이상 처리되지 않고 있는 요청(%s) 강제 해제(요청 못함) 송신시각=%d,현재시각=%d\n";
constexpr char kLogStaleQueuedEn[] =
    "Request(%s) waiting more than %d seconds. Forced Removed(Couldn't be sent) 송신시각=%d,현재시각=%d\n";

// Connection thread.
constexpr char kLogThreadStarted[] =
    "pid=%d, >>>>>>>>>>>>> SharedSockClientThread가 시작되었습니다.tmppath[%s]\n";
constexpr char kLogThreadInvalidParam[] = "SharedSockClientThread::Invalid Thread Param!\n";
constexpr char kLogThreadConnectShmError[] = "SharedSockClientThread::ConnectShm Error!\n";
constexpr char kLogThreadMemoryMapError[] = "SharedSockClientThread::pHandle->pMemoryMap Error!\n";
constexpr char kLogThreadShmCreated[] = "SharedSockClientThread::Shared Memory Created!!.\n";
constexpr char kLogThreadShmAddress[] = "SharedSockClientThread::Shared Memory Address=[%0x]\n";
constexpr char kLogThreadConnectSemaphoreError[] =
    "SharedSockClientThread::ConnectSemaphore Error!\n";
constexpr char kLogThreadStopped[] = ">>>>>>>>>>>>> SharedSockClientThread가 종료되었습니다.\n";
constexpr char kLogConnectAttempt[] = "pid=%d, 툴바 서버[%s:%d] 연결 시도.\n";
constexpr char kLogConnectFailedKo[] = "pid=%d, 툴바 서버[%s:%d] 연결 실패.\n";
constexpr char kLogConnectFailedEn[] = "pid=%d, Toolbar Server[%s:%d] Connection Failed!\n";
constexpr char kLogConnectSucceeded[] = "pid=%d, 툴바 서버[%s:%d] fd=%d 연결 성공.\n";
constexpr char kLogInvalidKind[] = "pid=%d, Invalid Data(type=%d)\n";
constexpr char kLogToolbarMsgSlotNotFound[] = "공지사항(LM_SVC_TOOLBAR_MSG_RESP) 요청(%d) 검색 실패\n";
constexpr char kLogNoticeSlotNotFound[] = "공지사항(LM_SVC_NOTICE_RESP) 요청(%d) 검색 실패\n";
constexpr char kLogConnectFailNotSent[] = "연결실패발생했지만 LM_SVC_CONNECTION_FAIL는 송신하지 않습니다. pid=%d\n";
constexpr char kLogConnectFailSent[] = "연결실패발생(LM_SVC_CONNECTION_FAIL), pid=%d\n";

// Exported interface.
constexpr char kLogUrlReqCalled[] = "LM_SVC_URL_REQ hToolbar[0x%08x]\n";
constexpr char kLogUrlReqQueued[] = "LM_SVC_URL_REQ From Browser ret=%d, len=%d [%s]\n";

// Machine identifier.
constexpr char kLogPcid[] = "PCID(%s)\n";
