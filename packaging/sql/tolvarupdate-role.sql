-- The database role of TolvarUpdate: it may log in, connect to the catalogue's
-- database and read the release catalogue vazudevizu.tbversaoferramenta, and
-- nothing more. Run it with psql as a superuser (or a role with CREATEROLE
-- that may grant on the catalogue), connected to the catalogue's database:
--
--   psql -h SERVER -U postgres -d DATABASE -v password='NEW PASSWORD' -f tolvarupdate-role.sql
--
-- Without -v password=... psql asks for it. -v connection_limit=N caps the
-- role's concurrent connections (default: no cap of its own; see README).
-- Running it again sets the password, the cap and the grants anew.

\set ON_ERROR_STOP on
\if :{?password}
\else
  \prompt 'Password for the role tolvarupdate: ' password
\endif
\if :{?connection_limit}
\else
  \set connection_limit -1
\endif

SELECT 'CREATE ROLE tolvarupdate'
 WHERE NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tolvarupdate') \gexec
-- Spelt out so that a second run also takes back rights given by hand.
ALTER ROLE tolvarupdate LOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION NOBYPASSRLS
    CONNECTION LIMIT :connection_limit PASSWORD :'password';

-- :"DBNAME" is the database psql is connected to.
GRANT CONNECT ON DATABASE :"DBNAME" TO tolvarupdate;
GRANT USAGE ON SCHEMA vazudevizu TO tolvarupdate;
GRANT SELECT ON vazudevizu.tbversaoferramenta TO tolvarupdate;

-- The updater never uses its connection after the one query, yet keeps it
-- through the download and while an error box waits: let the server close it.
SELECT current_setting('server_version_num')::integer >= 140000 AS has_idle_session_timeout \gset
\if :has_idle_session_timeout
  ALTER ROLE tolvarupdate SET idle_session_timeout = '1min';
\endif

-- Every role also holds what PUBLIC holds: by default CONNECT and TEMPORARY on
-- every database, and before PostgreSQL 15 CREATE in schema public. Taking
-- them from PUBLIC affects all roles (the synchronizer's too), so it is left
-- to the administrator, for example:
--   REVOKE CONNECT, TEMPORARY ON DATABASE other_database FROM PUBLIC;
--   REVOKE CREATE ON SCHEMA public FROM PUBLIC;
