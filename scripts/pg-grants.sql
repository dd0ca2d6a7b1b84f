-- Makes the trail of changes (naplo) append-only for the program's role on a PostgreSQL server.
--
-- Run it once as a superuser, after `kelvoctl create-db` has made the tables with the program's role (which then
-- owns them), and again after restoring a copy:
--
--   psql -d DATABASE -v kelvo_role=ROLE -f scripts/pg-grants.sql
--
-- The trail then belongs to the role running the script; the program's role may read it and add rows, but not
-- change, delete, truncate or drop them. For that the program's role must not own the database, be a superuser
-- or be a member of the role running this script.
ALTER TABLE naplo OWNER TO CURRENT_USER;
REVOKE ALL ON naplo FROM PUBLIC;
REVOKE ALL ON naplo FROM :"kelvo_role";
GRANT SELECT, INSERT ON naplo TO :"kelvo_role";
