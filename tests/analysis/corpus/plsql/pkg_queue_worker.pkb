CREATE OR REPLACE PACKAGE BODY pkg_queue_worker AS
  -- Takes jobs off the queue table one at a time; several sessions run it at once.

  CURSOR c_queue IS
    SELECT id, payload
      FROM job_queue
     WHERE status = 'READY'
     ORDER BY priority DESC, id
       FOR UPDATE SKIP LOCKED;

  CURSOR c_dead IS
    SELECT id FROM job_queue WHERE status = 'DEAD';

  g_taken PLS_INTEGER := 0;

  PROCEDURE close_cursors IS
  BEGIN
    IF c_queue%ISOPEN THEN
      CLOSE c_queue;
    END IF;
    IF c_dead%ISOPEN THEN
      CLOSE c_dead;
    END IF;
  END close_cursors;

  PROCEDURE mark(p_id IN job_queue.id%TYPE, p_status IN VARCHAR2) IS
  BEGIN
    UPDATE job_queue SET status = p_status, changed = SYSDATE WHERE id = p_id;
  END mark;

  FUNCTION take_next RETURN job_queue.id%TYPE IS
    l_row c_queue%ROWTYPE;
  BEGIN
    OPEN c_queue;
    FETCH c_queue INTO l_row;
    CLOSE c_queue;
    IF l_row.id IS NOT NULL THEN
      mark(l_row.id, 'RUNNING');
      g_taken := g_taken + 1;
    END IF;
    RETURN l_row.id;
  EXCEPTION
    WHEN OTHERS THEN
      close_cursors;
      RAISE;
  END take_next;

  PROCEDURE take_batch(p_max IN PLS_INTEGER, p_ids OUT SYS.odcinumberlist) IS
    l_row c_queue%ROWTYPE;
  BEGIN
    p_ids := SYS.odcinumberlist();
    BEGIN
      OPEN c_queue;
      LOOP
        FETCH c_queue INTO l_row;
        EXIT WHEN c_queue%NOTFOUND OR p_ids.COUNT >= p_max;
        p_ids.EXTEND;
        p_ids(p_ids.LAST) := l_row.id;
        mark(l_row.id, 'RUNNING');
      END LOOP;
      CLOSE c_queue;
    EXCEPTION
      WHEN OTHERS THEN
        IF c_queue%ISOPEN THEN
          CLOSE c_queue;
        END IF;
        RAISE;
    END;
  EXCEPTION
    WHEN OTHERS THEN
      log_pkg.error('take_batch', SQLERRM);
      RAISE;
  END take_batch;

  PROCEDURE purge_dead IS
    l_id job_queue.id%TYPE;
  BEGIN
    OPEN c_dead;
    LOOP
      FETCH c_dead INTO l_id;
      EXIT WHEN c_dead%NOTFOUND;
      DELETE FROM job_payload WHERE job_id = l_id;
    END LOOP;
    CLOSE c_dead;
    DELETE FROM job_queue WHERE status = 'DEAD';
  EXCEPTION
    WHEN OTHERS THEN
      ROLLBACK;
      log_pkg.error('purge_dead', SQLERRM);
  END purge_dead;

END pkg_queue_worker;
/
