-- The schema of a school's sansu-drill server, version 1.0. Applied by the
-- school's admin to the school's database, after school-roles.sql:
--
--     psql "service=school-admin" -v ON_ERROR_STOP=1 -f school-schema.sql
--
-- Applying it again is harmless: everything is made only when missing
-- (CREATE … IF NOT EXISTS, DO blocks) or replaced by the same definition
-- (CREATE OR REPLACE, a policy dropped and made again in the same
-- transaction), and the stored version is never lowered. A database whose
-- schema has a greater major version is refused whole: an older script has no
-- business there.
--
-- A classroom PC knows major version 1. It reads sansu.schema_version before it
-- sends anything and stops sending when the major is greater. Additive changes
-- (a new column with a default, a new table or view) raise the minor only, and
-- older PCs keep writing.
--
-- Growing past one machine (designed for, not tested here):
-- * Partitioning (one server, many schools): sansu.results and sansu.pupils
--   become PARTITION BY LIST (class_id), or by a school column added to classes
--   and copied into each row. PostgreSQL wants the partition key in every
--   unique key, so the primary keys become (class_id, result_id) and
--   (class_id, pupil_id). A result's class is fixed when it is made and is sent
--   again unchanged, so a resent row still meets its first copy and
--   ON CONFLICT DO NOTHING still drops it.
-- * A distributed PostgreSQL (Citus), the pupil as distribution key:
--   create_distributed_table('sansu.pupils', 'pupil_id') and
--   create_distributed_table('sansu.results', 'pupil_id',
--   colocate_with => 'sansu.pupils'); the results' primary key becomes
--   (pupil_id, result_id), so that a pupil's rows, their foreign key to the
--   pupil and the teacher's reads of one pupil stay on one node. classes,
--   class_pcs, class_teachers and schema_version become reference tables
--   (create_reference_table), copied to every node. The statements the PCs send
--   stay the same: they name no conflict target.

\set ON_ERROR_STOP on
-- What already exists is skipped without a notice each time.
SET client_min_messages = warning;
BEGIN;

-- The owner makes the schema in this database; only a superuser or the
-- database's owner may let it.
DO $$
BEGIN
    EXECUTE format('GRANT CREATE ON DATABASE %I TO sansu_owner', current_database());
END
$$;

SET ROLE sansu_owner;

DO $$
BEGIN
    -- Read only once the table is known to be there (a DO block's statements
    -- are planned as a whole).
    IF to_regclass('sansu.schema_version') IS NOT NULL THEN
        IF EXISTS (SELECT FROM sansu.schema_version WHERE major > 1) THEN
            RAISE EXCEPTION 'the schema sansu has a newer major version than 1: applying version 1.0 over it would undo it'
                USING HINT = 'Apply the school-schema.sql shipped with the newer program.';
        END IF;
    END IF;
END
$$;

CREATE SCHEMA IF NOT EXISTS sansu AUTHORIZATION sansu_owner;
REVOKE ALL ON SCHEMA sansu FROM PUBLIC;
GRANT USAGE ON SCHEMA sansu TO sansu_pc, sansu_teacher;

-- Exactly one row: the unique index on a constant allows no second one.
CREATE TABLE IF NOT EXISTS sansu.schema_version (
    major int NOT NULL,
    minor int NOT NULL
);
CREATE UNIQUE INDEX IF NOT EXISTS schema_version_one_row ON sansu.schema_version ((true));

-- The classes and who may write for or read each: filled by the admin. What a
-- login may do follows from these tables alone, never from what a PC says.
CREATE TABLE IF NOT EXISTS sansu.classes (
    class_id text PRIMARY KEY,
    name text
);
CREATE TABLE IF NOT EXISTS sansu.class_pcs (
    login name NOT NULL,
    class_id text NOT NULL REFERENCES sansu.classes,
    PRIMARY KEY (login, class_id)
);
CREATE TABLE IF NOT EXISTS sansu.class_teachers (
    login name NOT NULL,
    class_id text NOT NULL REFERENCES sansu.classes,
    PRIMARY KEY (login, class_id)
);

-- A pupil is a UUID made on the PC where the child first practised for the
-- school; the name is only how the child reads it. class_id is the class the
-- pupil was first sent for.
CREATE TABLE IF NOT EXISTS sansu.pupils (
    pupil_id uuid PRIMARY KEY,
    class_id text NOT NULL REFERENCES sansu.classes,
    name_kana text NOT NULL,
    made_by_pc uuid,
    created_at timestamptz NOT NULL DEFAULT now()
);

-- One sitting, append-only. result_id, made on the PC with the row, is the one
-- unique key: a row sent twice is dropped by it, and no other key can drop a
-- real row (two sittings may well share every other column). drill, score and
-- log_date are the results file's texts as they are; made_at is the PC's time
-- of the sitting with its offset; pc_clock_at_send the PC's clock when the batch
-- was sent, beside the server's received_at.
CREATE TABLE IF NOT EXISTS sansu.results (
    result_id uuid PRIMARY KEY,
    pupil_id uuid NOT NULL REFERENCES sansu.pupils,
    class_id text NOT NULL REFERENCES sansu.classes,
    drill text NOT NULL,
    score text NOT NULL CONSTRAINT results_score_is_a_number CHECK (score ~ '^[0-9]{1,9}$'),
    log_date text NOT NULL,
    made_at timestamptz NOT NULL,
    made_utc_offset_min smallint NOT NULL,
    pc_id uuid NOT NULL,
    pc_name text NOT NULL,
    pc_seq bigint NOT NULL,
    pc_clock_at_send timestamptz NOT NULL,
    received_at timestamptz NOT NULL DEFAULT now()
);
-- The teacher's reads: a class's rows, pupil by pupil.
CREATE INDEX IF NOT EXISTS results_class_pupil ON sansu.results (class_id, pupil_id);

-- The classes of the login this session was opened with, from class_pcs and
-- class_teachers; run as their owner, so the logins need no right on them.
CREATE OR REPLACE FUNCTION sansu.pc_classes() RETURNS SETOF text
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT class_id FROM sansu.class_pcs WHERE login = session_user $$;
CREATE OR REPLACE FUNCTION sansu.teacher_classes() RETURNS SETOF text
    LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = pg_catalog, pg_temp
    AS $$ SELECT class_id FROM sansu.class_teachers WHERE login = session_user $$;
REVOKE ALL ON FUNCTION sansu.pc_classes(), sansu.teacher_classes() FROM PUBLIC;
GRANT EXECUTE ON FUNCTION sansu.pc_classes() TO sansu_pc;
GRANT EXECUTE ON FUNCTION sansu.teacher_classes() TO sansu_teacher;

-- Each row's PC clock against the server's: the error, and a mark when it is
-- more than five minutes either way. Rows are kept whatever their clock says.
-- It reads as the one who queries (security_invoker), so a teacher sees only the
-- rows of their classes.
CREATE OR REPLACE VIEW sansu.results_clock WITH (security_invoker = true) AS
    SELECT result_id, class_id, pupil_id, pc_id, pc_name, made_at, pc_clock_at_send, received_at,
           pc_clock_at_send - received_at AS clock_error,
           abs(extract(epoch FROM pc_clock_at_send - received_at)) > 300 AS clock_off
    FROM sansu.results;

-- Row-level security: a PC inserts rows of its classes only and reads none; a
-- teacher reads the rows of their classes. The owner (and so the foreign keys'
-- checks) is not bound by it.
ALTER TABLE sansu.pupils ENABLE ROW LEVEL SECURITY;
ALTER TABLE sansu.results ENABLE ROW LEVEL SECURITY;
DROP POLICY IF EXISTS pc_inserts ON sansu.pupils;
CREATE POLICY pc_inserts ON sansu.pupils FOR INSERT TO sansu_pc
    WITH CHECK (class_id IN (SELECT sansu.pc_classes()));
DROP POLICY IF EXISTS teacher_reads ON sansu.pupils;
CREATE POLICY teacher_reads ON sansu.pupils FOR SELECT TO sansu_teacher
    USING (class_id IN (SELECT sansu.teacher_classes()));
DROP POLICY IF EXISTS pc_inserts ON sansu.results;
CREATE POLICY pc_inserts ON sansu.results FOR INSERT TO sansu_pc
    WITH CHECK (class_id IN (SELECT sansu.pc_classes()));
DROP POLICY IF EXISTS teacher_reads ON sansu.results;
CREATE POLICY teacher_reads ON sansu.results FOR SELECT TO sansu_teacher
    USING (class_id IN (SELECT sansu.teacher_classes()));

-- What each group may do, and nothing else. A PC names the columns it fills;
-- the server's own times (created_at, received_at) are not among them.
-- INSERT … ON CONFLICT DO NOTHING without a conflict target needs no SELECT.
REVOKE ALL ON ALL TABLES IN SCHEMA sansu FROM PUBLIC;
GRANT SELECT ON sansu.schema_version TO sansu_pc, sansu_teacher;
GRANT INSERT (pupil_id, class_id, name_kana, made_by_pc) ON sansu.pupils TO sansu_pc;
GRANT INSERT (result_id, pupil_id, class_id, drill, score, log_date, made_at, made_utc_offset_min,
              pc_id, pc_name, pc_seq, pc_clock_at_send) ON sansu.results TO sansu_pc;
GRANT SELECT ON sansu.pupils, sansu.results, sansu.results_clock TO sansu_teacher;

-- The version, set only when missing or lower.
INSERT INTO sansu.schema_version (major, minor)
    SELECT 1, 0 WHERE NOT EXISTS (SELECT FROM sansu.schema_version);
UPDATE sansu.schema_version SET (major, minor) = (1, 0) WHERE (major, minor) < (1, 0);

RESET ROLE;
COMMIT;
