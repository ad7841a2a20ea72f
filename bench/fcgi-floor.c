/*
 * The FastCGI floor: a persistent responder that does nothing but answer
 * each request with a fixed envelope of the admin GET's size. Served by
 * lighttpd the way the program is under FastCGI, it shows what lighttpd's
 * FastCGI relay and the library cost per request, so that the program's
 * rate can be read against what no FastCGI program could pass.
 */
#include <fcgiapp.h>

static const char kReply[] =
    "Content-Type: application/json\r\n\r\n"
    "{\n\t\"bonjourAdminMode\":\t{\n\t\t\"mode\":\t1\n\t},\n"
    "\t\"resp\":\t{\n\t\t\"respCode\":\t0,\n\t\t\"respMsg\":\t\"OK\",\n\t\t\"status\":\t\"success\"\n\t}\n}";

int main(void)
{
    FCGX_Request request;
    if (FCGX_Init() != 0 || FCGX_InitRequest(&request, 0, 0) != 0)
        return 1;
    while (FCGX_Accept_r(&request) >= 0) {
        FCGX_PutStr(kReply, sizeof kReply - 1, request.out);
        FCGX_Finish_r(&request);
    }
    return 0;
}
