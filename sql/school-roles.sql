-- The group roles of a school's sansu-drill server. Roles belong to the whole
-- PostgreSQL cluster, so this is applied once per cluster by its superuser:
--
--     psql "service=school-admin" -f school-roles.sql
--
-- Applying it again changes nothing. Logins are made by the admin and given one
-- of these groups (see the README's section for schools):
--
--   sansu_owner    owns the schema sansu and alone changes it
--   sansu_teacher  reads the pupils and results of its classes, and sets their
--                  rosters, the pupils' links and the classes' settings
--   sansu_pc       a classroom PC: inserts pupils and results of its classes,
--                  reads nothing of them
--
-- None of them logs in or inherits any right beyond what school-schema.sql grants.

DO $$
DECLARE
    r text;
BEGIN
    FOREACH r IN ARRAY ARRAY['sansu_owner', 'sansu_teacher', 'sansu_pc'] LOOP
        IF NOT EXISTS (SELECT FROM pg_catalog.pg_roles WHERE rolname = r) THEN
            EXECUTE format('CREATE ROLE %I NOLOGIN NOSUPERUSER NOCREATEDB NOCREATEROLE NOREPLICATION', r);
        END IF;
    END LOOP;
END
$$;
