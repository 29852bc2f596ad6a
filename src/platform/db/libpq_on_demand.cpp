// The few libpq calls the program makes on a server connection's handle,
// forwarded to libpq loaded at the first of them. The program is not linked
// against libpq: a shop on SQLite never loads it and its dependencies
// (Kerberos, LDAP, TLS), which a start would otherwise load and relocate
// before the login window. A server connection comes through Qt's PostgreSQL
// driver, which has loaded libpq by then.
#include <libpq-fe.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

namespace {
void *library()
{
    static void *const handle = [] {
        void *h = ::dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
        if (!h) {
            std::fprintf(stderr, "libpq.so.5: %s\n", ::dlerror());
            std::abort();
        }
        return h;
    }();
    return handle;
}

template <class F>
F resolved(const char *name)
{
    void *symbol = ::dlsym(library(), name);
    if (!symbol) {
        std::fprintf(stderr, "libpq.so.5: %s\n", ::dlerror());
        std::abort();
    }
    return reinterpret_cast<F>(symbol);
}
} // namespace

// Each call resolves its function once.
#define VENTAROS_LIBPQ(name) static const auto f = resolved<decltype(&::name)>(#name)

void PQclear(PGresult *res)
{
    VENTAROS_LIBPQ(PQclear);
    f(res);
}

ConnStatusType PQstatus(const PGconn *conn)
{
    VENTAROS_LIBPQ(PQstatus);
    return f(conn);
}

int PQsocket(const PGconn *conn)
{
    VENTAROS_LIBPQ(PQsocket);
    return f(conn);
}

char *PQresultErrorMessage(const PGresult *res)
{
    VENTAROS_LIBPQ(PQresultErrorMessage);
    return f(res);
}

char *PQresultErrorField(const PGresult *res, int fieldcode)
{
    VENTAROS_LIBPQ(PQresultErrorField);
    return f(res, fieldcode);
}

int PQntuples(const PGresult *res)
{
    VENTAROS_LIBPQ(PQntuples);
    return f(res);
}

char *PQgetvalue(const PGresult *res, int tup_num, int field_num)
{
    VENTAROS_LIBPQ(PQgetvalue);
    return f(res, tup_num, field_num);
}

int PQgetlength(const PGresult *res, int tup_num, int field_num)
{
    VENTAROS_LIBPQ(PQgetlength);
    return f(res, tup_num, field_num);
}

PGresult *PQexec(PGconn *conn, const char *query)
{
    VENTAROS_LIBPQ(PQexec);
    return f(conn, query);
}

unsigned char *PQunescapeBytea(const unsigned char *strtext, size_t *retbuflen)
{
    VENTAROS_LIBPQ(PQunescapeBytea);
    return f(strtext, retbuflen);
}

PGTransactionStatusType PQtransactionStatus(const PGconn *conn)
{
    VENTAROS_LIBPQ(PQtransactionStatus);
    return f(conn);
}

ExecStatusType PQresultStatus(const PGresult *res)
{
    VENTAROS_LIBPQ(PQresultStatus);
    return f(res);
}

int PQnfields(const PGresult *res)
{
    VENTAROS_LIBPQ(PQnfields);
    return f(res);
}

int PQgetisnull(const PGresult *res, int tup_num, int field_num)
{
    VENTAROS_LIBPQ(PQgetisnull);
    return f(res, tup_num, field_num);
}

PGcancel *PQgetCancel(PGconn *conn)
{
    VENTAROS_LIBPQ(PQgetCancel);
    return f(conn);
}

Oid PQftype(const PGresult *res, int field_num)
{
    VENTAROS_LIBPQ(PQftype);
    return f(res, field_num);
}

void PQfreemem(void *ptr)
{
    VENTAROS_LIBPQ(PQfreemem);
    f(ptr);
}

void PQfreeCancel(PGcancel *cancel)
{
    VENTAROS_LIBPQ(PQfreeCancel);
    f(cancel);
}

char *PQfname(const PGresult *res, int field_num)
{
    VENTAROS_LIBPQ(PQfname);
    return f(res, field_num);
}

PGresult *PQexecParams(PGconn *conn, const char *command, int nParams, const Oid *paramTypes,
                       const char *const *paramValues, const int *paramLengths, const int *paramFormats,
                       int resultFormat)
{
    VENTAROS_LIBPQ(PQexecParams);
    return f(conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats, resultFormat);
}

char *PQerrorMessage(const PGconn *conn)
{
    VENTAROS_LIBPQ(PQerrorMessage);
    return f(conn);
}

int PQcancel(PGcancel *cancel, char *errbuf, int errbufsize)
{
    VENTAROS_LIBPQ(PQcancel);
    return f(cancel, errbuf, errbufsize);
}

int PQsendQueryParams(PGconn *conn, const char *command, int nParams, const Oid *paramTypes,
                      const char *const *paramValues, const int *paramLengths, const int *paramFormats, int resultFormat)
{
    VENTAROS_LIBPQ(PQsendQueryParams);
    return f(conn, command, nParams, paramTypes, paramValues, paramLengths, paramFormats, resultFormat);
}

int PQsendPrepare(PGconn *conn, const char *stmtName, const char *query, int nParams, const Oid *paramTypes)
{
    VENTAROS_LIBPQ(PQsendPrepare);
    return f(conn, stmtName, query, nParams, paramTypes);
}

int PQsendDescribePrepared(PGconn *conn, const char *stmt)
{
    VENTAROS_LIBPQ(PQsendDescribePrepared);
    return f(conn, stmt);
}

int PQsetSingleRowMode(PGconn *conn)
{
    VENTAROS_LIBPQ(PQsetSingleRowMode);
    return f(conn);
}

PGresult *PQgetResult(PGconn *conn)
{
    VENTAROS_LIBPQ(PQgetResult);
    return f(conn);
}

int PQisBusy(PGconn *conn)
{
    VENTAROS_LIBPQ(PQisBusy);
    return f(conn);
}

int PQconsumeInput(PGconn *conn)
{
    VENTAROS_LIBPQ(PQconsumeInput);
    return f(conn);
}

PQnoticeReceiver PQsetNoticeReceiver(PGconn *conn, PQnoticeReceiver proc, void *arg)
{
    VENTAROS_LIBPQ(PQsetNoticeReceiver);
    return f(conn, proc, arg);
}
