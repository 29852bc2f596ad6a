-- Run once in the shop's database by the server's administrator (README,
-- "Several machines"), again after an extension is added to it: the functions
-- that run SQL text of their own, reach files or show the statements of other
-- sessions are taken from PUBLIC in this database, so the role that typed
-- queries run as cannot call them, whatever form a query takes (one such role
-- serves every workstation: it would read the others' queries). The
-- database's owner, the shop's role, keeps the list of sessions the program
-- reads. The program checks it before every typed query.
DO $$
DECLARE
    f regprocedure;
BEGIN
    FOR f IN SELECT p.oid::regprocedure FROM pg_proc p
             WHERE p.proname ~ '^(query_to_xml.*|cursor_to_xml.*|table_to_xml.*|schema_to_xml.*|database_to_xml.*|ts_stat|ts_rewrite|pg_read_file|pg_read_binary_file|pg_stat_file|pg_ls_.*|pg_file_.*|lo_.*|loread|lowrite|dblink.*|pg_stat_get_activity|pg_stat_get_backend_activity|pg_stat_statements.*)$'
    LOOP
        EXECUTE format('REVOKE EXECUTE ON FUNCTION %s FROM PUBLIC', f);
    END LOOP;
    EXECUTE format('GRANT EXECUTE ON FUNCTION pg_stat_get_activity(integer) TO %I',
                   (SELECT pg_get_userbyid(datdba) FROM pg_database WHERE datname = current_database()));
END
$$;
